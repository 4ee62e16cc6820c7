// Stream creation in the audio layer: any file either is refused or decodes to its end,
// in buffers of the sizes the player asks for.
#include "FuzzTools.h"

#include "player/Mp3Decoder.h"

#include <vector>

namespace {

// Decodes the whole file in buffers of maxFrames; returns the frame count.
std::size_t DecodeAll(Mp3Decoder &decoder, std::size_t maxFrames, std::size_t inputSize)
{
    std::vector<float> buffer(maxFrames * Mp3Decoder::kOutputChannels);
    // The smallest MP3 frame (13 bytes at 8 kHz) holds 576 samples, 3175 at 44.1 kHz: a
    // decoder that yields far more than that per input byte has lost its way.
    const std::size_t frameLimit = 300 * inputSize + 100000;
    std::size_t total = 0;
    while (const std::size_t frames = decoder.Read(buffer.data(), maxFrames)) {
        FUZZ_CHECK(frames <= maxFrames);
        total += frames;
        FUZZ_CHECK(total <= frameLimit);
    }
    FUZZ_CHECK(decoder.AtEnd());
    FUZZ_CHECK(decoder.Read(buffer.data(), maxFrames) == 0);
    return total;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = WriteInputFile("input.mp3", data, size);
    const std::unique_ptr<Mp3Decoder> decoder = Mp3Decoder::Open(path);
    if (!decoder)
        return 0;
    FUZZ_CHECK(decoder->SourceRate() >= 8000 && decoder->SourceRate() <= 48000);

    // The smallest buffer the decoder accepts against the decode-ahead's: the same file
    // must give the same length whatever pieces it is read in.
    const std::size_t small = DecodeAll(*decoder, Mp3Decoder::kMinReadFrames, size);
    const std::unique_ptr<Mp3Decoder> again = Mp3Decoder::Open(path);
    FUZZ_CHECK(again != nullptr);
    FUZZ_CHECK(DecodeAll(*again, 4096, size) == small);
    return 0;
}
