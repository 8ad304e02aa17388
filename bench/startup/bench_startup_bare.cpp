// The baseline of bench_startup: the toolkit's own cost of showing one
// window with a few widgets, nothing of the panel.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bench_startup bare window"));
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("A bare toolkit window")));
    layout->addWidget(new QPushButton(QStringLiteral("Close")));
    window.show();
    return app.exec();
}
