// The start-up peer: a bare Qt widget program that shows one plain window the size of the splash
// and waits. bench_startup measures it beside corvane.

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(379, 267);
    window.show();
    return QApplication::exec();
}
