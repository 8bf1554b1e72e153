#include "SeriesList.h"

#include "ConsoleLine.h"
#include "ReaderProcess.h"

#include <QFile>

#include <atomic>
#include <chrono>

namespace SeriesList {

int run(const QString &path)
{
    ImportOptions options;
    options.seriesChoice = SeriesChoice::ListOnly;
    const std::atomic<bool> never{false};
    const ImportResult list = ReaderProcess(std::chrono::seconds(30)).read(path, options, [](double) {}, never);
    if (!list.ok()) {
        printConsole(list.refusal + "\n");
        return 1;
    }
    for (size_t i = 0; i < list.exam.size(); ++i)
        printConsole(std::to_string(i + 1) + ": " + examSeriesLine(list.exam[i]) + "\n");
    for (const std::string &note : list.notes)
        printConsole(note + "\n");
    return 0;
}

} // namespace SeriesList
