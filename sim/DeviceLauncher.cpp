#include "sim/DeviceLauncher.h"

#include "device/Events.h"
#include "foundation/ProcessLauncher.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace sim {

namespace {

class DeviceLauncher final : public NS::ProcessLauncher {
public:
    pid_t launch(const NS::LaunchRequest& request) override {
        if (request.path == kKillallPath) {
            device::emit("spawn", {{"path", request.path}, {"arguments", request.arguments}});
            // It runs in the simulator, the parent of this process.
            return getppid();
        }
        // A device's programs do not read the simulator's command pipe or write over its output.
        NS::LaunchRequest quiet = request;
        quiet.standardInput = m_nullInput;
        quiet.standardError = m_nullOutput;
        return NS::posixSpawnLauncher()->launch(quiet);
    }

private:
    int m_nullInput = open("/dev/null", O_RDONLY | O_CLOEXEC);
    int m_nullOutput = open("/dev/null", O_WRONLY | O_CLOEXEC);
};

} // namespace

void installDeviceLauncher() {
    NS::setProcessLauncher(std::make_shared<DeviceLauncher>());
}

} // namespace sim
