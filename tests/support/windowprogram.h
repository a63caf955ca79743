// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/mainwindow.h"
#include "fakes/fakemessageboxes.h"
#include "fakes/fakesavedialog.h"
#include "fakes/fakewindowcapture.h"
#include "platform/qtmessageboxes.h"
#include "platform/qtmeterdevices.h"
#include "sim/virtualmeter.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <type_traits>

namespace korvane::testing {

// The window as the program composes it, with the real serial port and timers on one device;
// the dialogs are recorded instead of shown, and so are the message boxes unless real ones are
// asked for.
template <typename Messages> struct BasicWindowProgram
{
    explicit BasicWindowProgram(const QString& device) : session(platform::qtMeterDevices({device}))
    {
        if constexpr (std::is_same_v<Messages, platform::QtMessageBoxes>)
            messages.setParent(&window);
        QObject::connect(&session, &session::MeterSession::pollingStarted, &session,
                         [this] { m_searching = false; });
        QObject::connect(&session, &session::MeterSession::linkLost, &session,
                         [this] { m_searching = true; });
        window.show();
    }

    session::MeterSession session;
    Messages messages;
    fakes::FakeSaveDialog saveDialog;
    fakes::FakeWindowCapture capture;
    app::MainWindow window{{session, messages, saveDialog, capture}};

    QString link() const { return window.linkStatusLabel->text(); }
    int rows() const { return session.records().rowCount(); }
    // Until the search has found the meter and polling started, and again after a loss.
    bool searching() const { return m_searching; }

    // As a person does it: the Record tab, and Read a moment later, once a keep-alive came back.
    void pressRead(sim::VirtualMeter& meter)
    {
        window.tabs->setCurrentIndex(1);
        QSignalSpy answers(&meter, &sim::VirtualMeter::answerFinished);
        QTRY_VERIFY_WITH_TIMEOUT(answers.contains(QVariantList{quint8(5)}), 2000);
        QTest::mouseClick(window.readButton, Qt::LeftButton);
    }

private:
    bool m_searching = true;
};

using WindowProgram = BasicWindowProgram<fakes::FakeMessageBoxes>;

} // namespace korvane::testing
