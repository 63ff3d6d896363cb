#include "audiotoolbox/Output.h"

namespace audio {

TeeOutput::TeeOutput(std::vector<std::shared_ptr<Output>> outputs) : m_outputs(std::move(outputs)) {
    std::erase(m_outputs, nullptr);
}

void TeeOutput::play(const Play& play) {
    for (auto& output : m_outputs)
        output->play(play);
}

void TeeOutput::finish() {
    for (auto& output : m_outputs)
        output->finish();
}

std::string TeeOutput::kind() const {
    std::string kind;
    for (const auto& output : m_outputs)
        kind += (kind.empty() ? "" : "+") + output->kind();
    return kind.empty() ? "silence" : kind;
}

} // namespace audio
