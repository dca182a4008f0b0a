// Writes the main window's gauge face at each percentage named as a binary
// PPM on standard output, one after the other, so that the Windows window's
// gauge can be compared with this one pixel by pixel.
#include <QApplication>
#include <QFont>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/fonts.h"
#include "forms/main_kryvet_form.h"
#include "widgets/gauge.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: gauge_face_dump PERCENT...\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    kryvet::InstallApplicationFonts();
    const auto& form = kryvet::MainKryvetForm();
    const auto& c = kryvet::ControlOf(form, "Gauge1");
    kryvet::TGauge gauge;
    gauge.resize(c.geometry.width, c.geometry.height);
    gauge.SetBorderStyle(c.border ? kryvet::bsSingle : kryvet::bsNone);
    gauge.SetForeColor(static_cast<kryvet::TColor>(c.foreColor));
    QFont font(QString::fromUtf8(form.font.face.data(), form.font.face.size()));
    font.setPixelSize(form.font.pixelHeight);
    gauge.setFont(font);
    for (int i = 1; i < argc; ++i) {
        gauge.SetProgress(std::stoi(argv[i]));
        const QImage face = gauge.RenderFace(1).convertToFormat(QImage::Format_RGB888);
        std::printf("P6\n%d %d\n255\n", face.width(), face.height());
        for (int y = 0; y < face.height(); ++y) {
            std::fwrite(face.constScanLine(y), 3, face.width(), stdout);
        }
    }
    return std::ferror(stdout) ? 1 : 0;
}
