#include "audiotoolbox/Mp3Decoder.h"

#include "audiotoolbox/Sound.h"

#include <memory>
#include <mpg123.h>
#include <system_error>

namespace audio {

namespace {

// Lazily, once: the library loads into every process, most of which never decode a note.
bool mpg123Ready() {
    static const bool ready = mpg123_init() == MPG123_OK;
    return ready;
}

using Handle = std::unique_ptr<mpg123_handle, decltype(&mpg123_delete)>;

// A handle that outputs only mono 16-bit at 44.1 kHz: libmpg123 mixes stereo down and
// resamples other rates itself.
Handle openHandle(const std::filesystem::path& file) {
    Handle mh(mpg123_new(nullptr, nullptr), &mpg123_delete);
    if (!mh)
        return mh;
    bool configured =
        mpg123_param(mh.get(), MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0) == MPG123_OK &&
        mpg123_format_none(mh.get()) == MPG123_OK &&
        mpg123_format(mh.get(), kSampleRate, MPG123_MONO, MPG123_ENC_SIGNED_16) == MPG123_OK &&
        mpg123_open(mh.get(), file.c_str()) == MPG123_OK;
    if (!configured)
        mh.reset();
    return mh;
}

} // namespace

DecodeResult decodeMp3(const std::filesystem::path& file, std::vector<std::int16_t>& samples) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec))
        return DecodeResult::notFound;
    if (!std::filesystem::is_regular_file(file, ec))
        return DecodeResult::invalid;
    if (!mpg123Ready())
        return DecodeResult::unavailable;
    Handle mh = openHandle(file);
    if (!mh)
        return DecodeResult::invalid;
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(mh.get(), &rate, &channels, &encoding) != MPG123_OK ||
        rate != kSampleRate || channels != 1 || encoding != MPG123_ENC_SIGNED_16)
        return DecodeResult::invalid;

    const std::size_t limit = std::size_t{kMaxSoundSeconds} * kSampleRate;
    std::vector<std::int16_t> out;
    if (off_t length = mpg123_length(mh.get()); length > 0) {
        if (static_cast<std::size_t>(length) > limit)
            return DecodeResult::tooLong;
        out.reserve(static_cast<std::size_t>(length));
    }
    std::int16_t buffer[8192];
    for (;;) {
        std::size_t bytes = 0;
        int rc = mpg123_read(mh.get(), buffer, sizeof buffer, &bytes);
        out.insert(out.end(), buffer, buffer + bytes / sizeof(std::int16_t));
        if (out.size() > limit)
            return DecodeResult::tooLong;
        if (rc == MPG123_DONE)
            break;
        if (rc == MPG123_NEW_FORMAT)
            continue;
        if (rc != MPG123_OK)
            return DecodeResult::invalid;
    }
    if (out.empty())
        return DecodeResult::invalid;
    samples = std::move(out);
    return DecodeResult::ok;
}

} // namespace audio
