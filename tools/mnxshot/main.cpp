// mnxshot OUTPUT.png: grabs the root window of the primary screen and saves it as PNG. Exit code 1 on failure.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: mnxshot OUTPUT.png\n");
        return 1;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        std::fprintf(stderr, "mnxshot: no screen\n");
        return 1;
    }
    const QPixmap shot = screen->grabWindow(0);
    if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "mnxshot: cannot save %s\n", argv[1]);
        return 1;
    }
    return 0;
}
