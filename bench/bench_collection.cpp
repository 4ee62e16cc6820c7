// Benchmark program, not a test: saves and loads a full music collection (2001 playlists of
// 10 files each) several times and prints the median times. The collection stays in the
// file afterwards, so that the start-up benchmark can load it.
//
//   bench_collection FILE [rounds]

#include "bench/BenchClock.h"
#include "playlists/Mp3FilesList.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <memory>

namespace {

constexpr int kFilesPerPlaylist = 10;

std::unique_ptr<TMp3FilesList> FullCollection()
{
    auto list = std::make_unique<TMp3FilesList>();
    for (qint32 i = 0; i < TMp3FilesList::kCapacity; ++i) {
        list->AddList(QStringLiteral("Плейлист номер %1").arg(i));
        for (int f = 0; f < kFilesPerPlaylist; ++f)
            list->at(i).mp3files << QStringLiteral("/home/user/Музыка/Исполнитель %1/Альбом/%2 - Композиция.mp3")
                                        .arg(i)
                                        .arg(f, 2, 10, QLatin1Char('0'));
        list->at(i).Vol = 0.12 * (i % 9);
    }
    return list;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_collection FILE [rounds]\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const int rounds = argc > 2 ? std::max(1, QString::fromLocal8Bit(argv[2]).toInt()) : 20;

    const auto saved = FullCollection();
    const auto loaded = std::make_unique<TMp3FilesList>();
    std::vector<double> saveMs;
    std::vector<double> loadMs;
    for (int round = 0; round < rounds; ++round) {
        double start = bench::MonotonicSeconds();
        saved->SaveToFile(path);
        saveMs.push_back((bench::MonotonicSeconds() - start) * 1000.0);
        start = bench::MonotonicSeconds();
        loaded->LoadFromFile(path);
        loadMs.push_back((bench::MonotonicSeconds() - start) * 1000.0);
    }
    if (loaded->flistscount != TMp3FilesList::kCapacity) {
        std::fprintf(stderr, "bench_collection: loaded %d playlists\n", int(loaded->flistscount));
        return 1;
    }

    bench::PrintFigure("collection_playlists", loaded->flistscount);
    bench::PrintFigure("collection_kib", double(QFileInfo(path).size()) / 1024.0);
    bench::PrintFigure("collection_save_ms", bench::Median(saveMs));
    bench::PrintFigure("collection_load_ms", bench::Median(loadMs));
    return 0;
}
