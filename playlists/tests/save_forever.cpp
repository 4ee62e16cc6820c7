// Saves the two versions of a big collection to one file, one after the other, until it
// is killed: save_forever FILE. Prints "saving" once both are ready and the first save
// starts, so that the killer knows the saves are under way, and "saved" after each save.
#include "BigCollections.h"

#include "shell/Errors.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        std::fprintf(stderr, "usage: save_forever FILE\n");
        return 2;
    }
    const QString path = app.arguments().at(1);
    const std::unique_ptr<TMp3FilesList> versions[] = {BigCollection(1), BigCollection(2)};
    std::printf("saving\n");
    std::fflush(stdout);
    try {
        for (unsigned round = 0;; ++round) {
            versions[round % 2]->SaveToFile(path);
            std::printf("saved\n");
            std::fflush(stdout);
        }
    } catch (const NesvaraError &error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.text()));
        return 1;
    }
}
