// The options file: any bytes either load whole or leave the object exactly as it was.
#include "FuzzTools.h"

#include "settings/OptionsData.h"
#include "shell/Errors.h"

#include <QBuffer>

namespace {

// Some non-zero content, so that a partial load would show.
TOptionsData Previous()
{
    TOptionsData options;
    options.FMedInstructor = 1;
    options.FMedTechnique = TMedTech::mtBreathReminds;
    options.FMedLenMin = 33;
    options.FMusicSubFileNum = -1;
    options.FVolume = 0.5;
    options.FPlaySound = true;
    return options;
}

QByteArray BytesOf(const TOptionsData &options)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    options.WriteTo(buffer);
    return buffer.data();
}

// Compared as bytes, so that a NaN volume still equals itself.
bool Same(const TOptionsData &a, const TOptionsData &b)
{
    return BytesOf(a) == BytesOf(b);
}

// What was loaded saves back to 61 bytes that load to the same options.
void CheckLoaded(const TOptionsData &loaded)
{
    FUZZ_CHECK(loaded.FMedInstructor == 0 || loaded.FMedInstructor == 1);
    const QByteArray saved = BytesOf(loaded);
    FUZZ_CHECK(saved.size() == TOptionsData::kFileSize);
    QBuffer again;
    again.setData(saved);
    again.open(QIODevice::ReadOnly);
    TOptionsData reloaded;
    reloaded.ReadFrom(again);
    FUZZ_CHECK(Same(reloaded, loaded));
}

void FuzzReadFrom(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    TOptionsData options = Previous();
    try {
        options.ReadFrom(buffer);
    } catch (const NesvaraError &) {
        FUZZ_CHECK(Same(options, Previous()));
        return;
    }
    FUZZ_CHECK(bytes.size() >= TOptionsData::kFileSize);
    CheckLoaded(options);
}

void FuzzLoadFromFile(const uint8_t *data, size_t size)
{
    const QString path = WriteInputFile("options.bin", data, size);
    TOptionsData options = Previous();
    try {
        options.LoadFromFile(path);
    } catch (const NesvaraError &error) {
        FUZZ_CHECK(!error.text().isEmpty());
        FUZZ_CHECK(Same(options, Previous()));
        return;
    }
    FUZZ_CHECK(size == size_t(TOptionsData::kFileSize));
    CheckLoaded(options);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    FuzzReadFrom(bytes);
    FuzzLoadFromFile(data, size);
    return 0;
}
