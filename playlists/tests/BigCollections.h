#pragma once

#include "playlists/Mp3FilesList.h"

#include <memory>

// A full collection, 2001 playlists of 10 files each, in one of two versions that differ
// in every file name: a file on disk that is neither whole version is damaged.
inline std::unique_ptr<TMp3FilesList> BigCollection(int version)
{
    auto list = std::make_unique<TMp3FilesList>();
    list->SetListsCount(TMp3FilesList::kCapacity);
    for (qint32 i = 0; i < TMp3FilesList::kCapacity; ++i) {
        TMp3ListItem &item = list->at(i);
        item.name = QStringLiteral("Версия %1, список %2").arg(version).arg(i);
        item.Vol = 0.5 + version * 0.25;
        for (int f = 0; f < 10; ++f)
            item.mp3files << QStringLiteral("/home/слушатель/Музыка/Версия %1/Альбом %2/%3 - трек.mp3")
                                 .arg(version)
                                 .arg(i)
                                 .arg(f);
    }
    list->FLastBigFolder = QStringLiteral("/home/слушатель/Музыка/Версия %1").arg(version);
    list->FLastBigFolderReadType = version;
    list->FLastBigFoldersList = {list->FLastBigFolder};
    list->FChanged = false; // as loaded from a file
    return list;
}
