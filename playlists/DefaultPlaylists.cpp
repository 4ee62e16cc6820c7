// The playlists a collection starts with when its file does not exist yet.
#include "playlists/Mp3FilesList.h"

#include <QDir>

namespace {

struct DefaultPlaylist
{
    const char16_t *name;
    double vol;
    std::initializer_list<const char16_t *> files;
};

// The program's folder plus a path written with "/", turned into the platform's form.
QString underProgramDir(const QString &programDir, const char16_t *relativePath)
{
    return programDir + QDir::toNativeSeparators(QString::fromUtf16(relativePath));
}

void fillFrom(TMp3FilesList &list, const QString &programDir,
              std::initializer_list<DefaultPlaylist> defaults)
{
    list.SetListsCount(qint32(defaults.size()));
    qint32 index = 0;
    for (const DefaultPlaylist &playlist : defaults) {
        TMp3ListItem &item = list.at(index++);
        item.name = QString::fromUtf16(playlist.name);
        item.Vol = playlist.vol;
        for (const char16_t *file : playlist.files)
            item.mp3files.append(underProgramDir(programDir, file));
    }
}

} // namespace

void TMp3FilesList::SetBasicMusic(const QString &programDir)
{
    fillFrom(*this, programDir, {
        {u"Ларинов (1)", 1.0,
         {u"Sounds/Music/Collection/01_Larinov/Utrenniy svet.mp3",
          u"Sounds/Music/Collection/01_Larinov/Tikhaya voda.mp3"}},
        {u"Ларинов (2)", 1.0,
         {u"Sounds/Music/Collection/02_Larinov/Zvyozdnoe nebo.mp3",
          u"Sounds/Music/Collection/02_Larinov/Nochnoy sad.mp3"}},
        {u"Веденская (1)", 1.0,
         {u"Sounds/Music/Collection/03_Vedenskaya/Gornoe ozero.mp3",
          u"Sounds/Music/Collection/03_Vedenskaya/Oblaka.mp3"}},
        {u"Веденская (2)", 1.0,
         {u"Sounds/Music/Collection/04_Vedenskaya/Dolgiy vydokh.mp3"}},
        {u"Мантра \"Не думай\" (для остановки внутреннего диалога)", 1.0,
         {u"Sounds/Music/mantras/Mantra Ne Dumay - Dlya ostanovki vnutrennego dialoga.mp3"}},
    });
}

void TMp3FilesList::SetBasicBackSounds(const QString &programDir)
{
    fillFrom(*this, programDir, {
        {u"Ливень", 0.4, {u"Sounds/BackSounds/heavyrain.mp3"}},
        {u"Ручей", 0.1, {u"Sounds/BackSounds/stream.mp3"}},
        {u"Лес", 0.1, {u"Sounds/BackSounds/forest.mp3"}},
        {u"Поезд", 0.5, {u"Sounds/BackSounds/train.mp3"}},
        {u"Море", 0.5, {u"Sounds/BackSounds/sea.mp3"}},
        {u"Чайки", 0.12, {u"Sounds/BackSounds/gvalt.mp3"}},
        {u"Огонь", 0.4, {u"Sounds/BackSounds/fire.mp3"}},
        {u"Костёр на природе", 0.4, {u"Sounds/BackSounds/firen.mp3"}},
        {u"Ветер в лесу", 0.4, {u"Sounds/BackSounds/wind.mp3"}},
        {u"Лягушки", 0.2, {u"Sounds/BackSounds/frogs.mp3"}},
    });
}
