// Benchmark, not a test: times saving and loading a full collection (2001 playlists of 10
// files each) and prints the figures. Run by hand: bench_playlistfiles [rounds]
#include "playlists/Mp3FilesList.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<TMp3FilesList> fullCollection()
{
    auto list = std::make_unique<TMp3FilesList>();
    for (qint32 i = 0; i < TMp3FilesList::kCapacity; ++i) {
        list->AddList(QStringLiteral("Плейлист номер %1").arg(i));
        for (int f = 0; f < 10; ++f)
            list->at(i).mp3files << QStringLiteral("/home/user/Музыка/Исполнитель %1/Альбом/%2 - Композиция.mp3")
                                        .arg(i)
                                        .arg(f, 2, 10, QLatin1Char('0'));
        list->at(i).Vol = 0.12 * (i % 9);
    }
    return list;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 20;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("musiclists.bin"));

    auto saved = fullCollection();
    auto loaded = std::make_unique<TMp3FilesList>();
    std::vector<double> saveMs;
    std::vector<double> loadMs;
    QElapsedTimer timer;
    for (int round = 0; round < rounds; ++round) {
        timer.start();
        saved->SaveToFile(path);
        saveMs.push_back(timer.nsecsElapsed() / 1e6);
        timer.start();
        loaded->LoadFromFile(path);
        loadMs.push_back(timer.nsecsElapsed() / 1e6);
    }

    QTextStream out(stdout);
    out << "collection: " << loaded->flistscount << " playlists x 10 files, "
        << QFileInfo(path).size() / 1024 << " KiB, " << rounds << " rounds\n"
        << "save: median " << median(saveMs) << " ms, worst " << *std::max_element(saveMs.begin(), saveMs.end())
        << " ms\n"
        << "load: median " << median(loadMs) << " ms, worst " << *std::max_element(loadMs.begin(), loadMs.end())
        << " ms\n";
    return 0;
}
