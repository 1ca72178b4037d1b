// The least a tray application of this kind is resident in on this machine:
// Qt Widgets on X11, a tray icon, a 400 x 650 window of labels in the
// interface's fonts, an SVG symbol, the session bus and libcurl initialised,
// none of the application's own code. app_bench.py prints its peak beside
// the application's.
#include <QApplication>
#include <QDBusConnection>
#include <QLabel>
#include <QPainter>
#include <QSvgRenderer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <curl/curl.h>
#include <fstream>
#include <string>

namespace {

long peakKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
}

size_t discard(char*, size_t size, size_t count, void*) {
    return size * count;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QFont font(QStringLiteral("Inter"));
    font.setPixelSize(12);
    QApplication::setFont(font);
    const bool bus = QDBusConnection::sessionBus().isConnected();

    curl_global_init(CURL_GLOBAL_DEFAULT);
    CURL* easy = curl_easy_init();
    // A closed port on the loopback: the library's whole request path, no traffic.
    curl_easy_setopt(easy, CURLOPT_URL, "http://127.0.0.1:9/");
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, discard);
    curl_easy_perform(easy);
    curl_easy_cleanup(easy);

    QSvgRenderer symbol(
        QByteArray("<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 20 20'>"
                   "<path d='M2 14 Q10 2 18 14' stroke='black' fill='none'/></svg>"));
    QPixmap picture(22, 22);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        symbol.render(&painter);
    }
    QSystemTrayIcon tray{QIcon(picture)};
    tray.show();

    QWidget window(nullptr, Qt::Popup | Qt::FramelessWindowHint);
    window.setAttribute(Qt::WA_TranslucentBackground);
    window.resize(400, 650);
    auto* layout = new QVBoxLayout(&window);
    for (int i = 0; i < 30; ++i) {
        auto* label = new QLabel(QStringLiteral("Router Ping   %1.4 ms").arg(i), &window);
        QFont rowFont = font;
        if (i % 3 == 0)
            rowFont.setWeight(QFont::DemiBold);
        if (i % 5 == 0)
            rowFont.setFamily(QStringLiteral("JetBrains Mono"));
        label->setFont(rowFont);
        layout->addWidget(label);
    }
    window.show();
    QTimer::singleShot(3000, &application, [&] {
        std::printf("bare tray application: peak RSS %.1f MiB (session bus %s)\n",
                    static_cast<double>(peakKiB()) / 1024.0, bus ? "connected" : "absent");
        application.quit();
    });
    const int code = QApplication::exec();
    curl_global_cleanup();
    return code;
}
