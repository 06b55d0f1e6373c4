// The baseline for the start-up benchmark: the smallest Qt window with the same kinds of
// controls as Koyomix (a line edit, a push button and a label) and nothing else.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    auto *field = new QLineEdit(&window);
    field->setGeometry(8, 8, 41, 19);
    auto *button = new QPushButton(QStringLiteral("Button"), &window);
    button->setGeometry(120, 8, 97, 25);
    auto *label = new QLabel(QStringLiteral("Label"), &window);
    label->setGeometry(224, 8, 145, 17);
    window.resize(374, 101);
    window.show();
    field->setFocus();
    return app.exec();
}
