// SPDX-License-Identifier: GPL-3.0-or-later
// overviewshots DIR: the Overview page against a fake session, saved as PNGs at the window's
// default tab size and maximised, on a light and a dark palette, and its picture for Save. A tool
// for looking at the page, not a test.
#include "app/overviewpage.h"
#include "support/fakesession.h"
#include "support/framebuilder.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>

#include <cstdio>

using namespace korvane;
using korvane::testing::FrameBuilder;

namespace {
QPalette darkPalette()
{
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    p.setColor(QPalette::WindowText, QColor(0xe8, 0xe8, 0xe8));
    p.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    p.setColor(QPalette::Text, QColor(0xe8, 0xe8, 0xe8));
    p.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3a));
    p.setColor(QPalette::ButtonText, QColor(0xe8, 0xe8, 0xe8));
    return p;
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    testing::FakeSession rig;
    qint64 clock = QDateTime::currentMSecsSinceEpoch();
    rig.session.meterLink().setClock([&] { return clock; });
    rig.session.start();
    rig.linkOn1();
    app::OverviewPage page(rig.session);

    const auto feed = [&](const QByteArray& frame) {
        rig.tick();
        rig.port.feed(frame);
        clock += 500;
    };
    // The angles come first and grow stale while the powers keep coming.
    feed(FrameBuilder(2).q(10, 0).q(12, 1201).q(14, 2398).q(16, 3412).at(18, 1));
    clock += 11'000;
    for (int round = 0; round < 3; ++round) {
        for (quint8 phase = 0; phase < 3; ++phase) {
            const quint16 u = quint16(2290 + 7 * phase + 5 * round);
            feed(FrameBuilder(0, phase)
                     .q(2, u, 3)
                     .q(5, quint16(52 + 9 * phase + round), 0)
                     .q(8, quint16(930 - 20 * phase), 1)
                     .q(11, quint16(1180 + 40 * phase + 10 * round), 2)
                     .q(14, quint16(460 - 30 * phase), phase == 2 && round == 2 ? 6 : 2)
                     .q(17, quint16(1270 + 35 * phase), 2));
        }
        feed(FrameBuilder(0, 3).q(8, 912, 1).q(11, 371, 4).q(14, 143, 4).q(17, 392, 4));
        feed(FrameBuilder(1)
                 .q(1, quint16(2291 + round), 3)
                 .q(4, 2301, 3)
                 .q(7, 2285, 3)
                 .q(10, 61, 0)
                 .q(13, quint16(499 + round % 2)));
        feed(FrameBuilder(3, 4)
                 .q(2, 2302, 3)
                 .q(5, 63, 0)
                 .q(8, 920, 1)
                 .q(11, 1234, 2)
                 .q(14, 57, 4)
                 .bytes(17, {12, 5, quint8(9 + round)}));
    }

    const auto shoot = [&](const QString& name, QSize size) {
        page.resize(size);
        page.show();
        QApplication::processEvents();
        page.grab().save(dir.filePath(name));
    };
    shoot(QStringLiteral("overview-light-553x495.png"), {553, 495});
    shoot(QStringLiteral("overview-light-1400x900.png"), {1400, 900});
    page.renderForSave(QDateTime::currentDateTime()).save(dir.filePath("overview-save.png"));
    page.setPalette(darkPalette());
    shoot(QStringLiteral("overview-dark-553x495.png"), {553, 495});
    shoot(QStringLiteral("overview-dark-1400x900.png"), {1400, 900});

    return 0;
}
