// CPU time of showing release notes in the update card as a refresh does:
// the text cut to the card's lines (2 lines of 300 px, the popover's; 3 of
// 480 px, the Settings window's) and set on a wrapping label that lays it
// out. Notes without a space, of 1 MB (what a server may send), 16 KB (what
// the update service keeps) and 200 bytes. Prints the median of 21.
#include "qt/KeyValueRow.h"
#include "qt/KitFonts.h"

#include <QApplication>
#include <QLabel>
#include <algorithm>
#include <ctime>
#include <fmt/format.h>
#include <vector>

namespace {

double threadCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QFont font = lumra::kitFont(12);
    for (const qsizetype size : {qsizetype(1024 * 1024), qsizetype(16 * 1024), qsizetype(200)}) {
        const QString notes = QString(QLatin1Char('x')).repeated(size);
        for (const auto& [width, lines] : {std::pair{300, 2}, std::pair{480, 3}}) {
            std::vector<double> times;
            for (int run = 0; run < 21; ++run) {
                QLabel label;
                label.setWordWrap(true);
                label.setFont(font);
                const double start = threadCpuMilliseconds();
                label.setText(lumra::elidedToLines(notes, font, width, lines));
                label.heightForWidth(width);
                times.push_back(threadCpuMilliseconds() - start);
            }
            std::sort(times.begin(), times.end());
            fmt::print("{:>8} bytes, {} lines of {} px: {:.3f} ms\n", size, lines, width,
                       times[times.size() / 2]);
        }
    }
    return 0;
}
