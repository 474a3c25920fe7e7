// SPDX-License-Identifier: GPL-3.0-or-later
// Renders marrow.svg to marrow.png, the icon for menus that take no SVG.
// Not part of the build: run it again after the drawing changes, from the
// repository's top folder, and commit the picture:
//
//   g++ -std=c++20 -fPIC app/data/render-icon.cpp -o /tmp/render-icon \
//       $(pkg-config --cflags --libs Qt6Gui Qt6Svg)
//   QT_QPA_PLATFORM=offscreen /tmp/render-icon app/data/marrow.svg app/data/marrow.png 256

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    const int size = argc == 4 ? QByteArray(argv[3]).toInt() : 0;
    if (size < 16 || size > 1024) {
        std::fprintf(stderr, "usage: render-icon SVG PNG SIZE (16 to 1024)\n");
        return 2;
    }
    QSvgRenderer drawing(QString::fromLocal8Bit(argv[1]));
    if (!drawing.isValid()) {
        std::fprintf(stderr, "render-icon: cannot read %s\n", argv[1]);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    drawing.render(&painter);
    painter.end();
    if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "render-icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
