#pragma once

// Loudness of decoded audio as EBU R128 measures it (ITU-R BS.1770): K-weighted mean square
// over 400 ms blocks, 100 ms apart, gated at -70 LUFS and 10 LU under the ungated mean.

#include <QString>
#include <vector>

struct MonoAudio
{
    std::vector<float> samples;
    long rate = 0;
};

// The whole file as mono at its own rate (decoded without the encoder's delay and padding);
// empty samples when it does not open.
MonoAudio DecodeMono(const QString &path);

// Loudness of every 400 ms block, in LUFS, one block every 100 ms.
std::vector<double> BlockLoudness(const MonoAudio &audio);

// Gated loudness of blocks [first, last); -70 when all of them are below the absolute gate.
double GatedLoudness(const std::vector<double> &blocks, std::size_t first, std::size_t last);

// The phrases of a voice recording: runs of blocks above -70 LUFS between silences longer
// than a comma's pause, each with its gated loudness and where its sound starts and ends, in
// seconds (to the 100 ms step of the blocks).
struct Phrase
{
    double startSeconds;
    double endSeconds;
    double lufs;
};
std::vector<Phrase> Phrases(const std::vector<double> &blocks);
