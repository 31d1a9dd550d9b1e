// A bare Qt window, the start-up benchmark's peer: says "painted" at its first paint.
#include <QApplication>
#include <QWidget>

#include <cstdio>

namespace {
class Bare final : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        if (painted_)
            return;
        painted_ = true;
        std::puts("painted");
        std::fflush(stdout);
    }

private:
    bool painted_ = false;
};
} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    Bare window;
    window.resize(1120, 780);
    window.show();
    return application.exec();
}
