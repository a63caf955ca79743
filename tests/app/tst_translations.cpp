// SPDX-License-Identifier: GPL-3.0-or-later
// Every text the window shows goes through translation, and the Chinese catalogue translates
// every text of the code.
#include "app/helpbox.h"
#include "app/language.h"
#include "app/mainwindow.h"
#include "app/meterwords.h"
#include "app/publishcontrol.h"
#include "app/publishdialog.h"
#include "fakes/fakemessageboxes.h"
#include "fakes/fakesavedialog.h"
#include "fakes/fakewindowcapture.h"
#include "support/fakesession.h"
#include "support/framebuilder.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QStyle>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QXmlStreamReader>

using namespace korvane;
using korvane::testing::FrameBuilder;
using korvane::testing::hex;

namespace {
// What a translated text carries in the marked catalogue.
const QString kMark = QStringLiteral("⟦");

// Texts that are no words of the window's: numbers with their units, the meter's own captions
// beside its readings ("U1:", "PF:") and the like, which stay as the meter writes them. Each
// word of such a text is at most three letters, with digits and signs around them.
bool isData(const QString& text)
{
    // The program's name, the meter's caption of its clock, and device paths in tooltips.
    if (text == QLatin1String("Korvane") || text.trimmed() == QLatin1String("Time:") ||
        text.startsWith(u'/'))
        return true;
    static const QRegularExpression word(
        QStringLiteral(R"(^[-+−–↓↑·(\[]*[\d.,:/%]*[A-Za-z]{0,3}[\d.,:/%°)\]]*$)"));
    for (const QString& part :
         text.split(QRegularExpression(QStringLiteral(R"(\s+)")), Qt::SkipEmptyParts)) {
        if (!word.match(part).hasMatch())
            return false;
    }
    return true;
}

// Every text a person sees in the widget and its visible children.
QStringList visibleTexts(QWidget* top)
{
    QStringList texts;
    auto add = [&texts](const QString& text) {
        if (!text.isEmpty())
            texts << text;
    };
    QList<QWidget*> widgets = top->findChildren<QWidget*>();
    widgets.prepend(top);
    for (QWidget* w : widgets) {
        if (!w->isVisibleTo(top) && w != top)
            continue;
        // Standard buttons speak through Qt's own catalogue.
        if (qobject_cast<QDialogButtonBox*>(w->parentWidget()))
            continue;
        add(w->toolTip());
        if (w->isWindow())
            add(w->windowTitle());
        if (auto* label = qobject_cast<QLabel*>(w))
            add(label->text());
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            add(button->text());
        else if (auto* box = qobject_cast<QGroupBox*>(w))
            add(box->title());
        else if (auto* edit = qobject_cast<QLineEdit*>(w))
            add(edit->placeholderText());
        else if (auto* combo = qobject_cast<QComboBox*>(w))
            add(combo->currentText());
        else if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
            for (int i = 0; i < tabs->count(); ++i)
                add(tabs->tabText(i));
        } else if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
            for (QTreeWidgetItemIterator it(tree); *it; ++it)
                add((*it)->text(0));
        }
    }
    return texts;
}

struct Message
{
    QString context, source;
    bool finished = false;
};

QList<Message> readCatalogue(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<Message> messages;
    QString context;
    QXmlStreamReader xml(&file);
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            messages << Message{context, {}, false};
        } else if (xml.name() == QLatin1String("source") && !messages.isEmpty()) {
            messages.last().source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation") && !messages.isEmpty()) {
            const bool unfinished = !xml.attributes().value(QLatin1String("type")).isEmpty();
            messages.last().finished = !unfinished && !xml.readElementText().isEmpty();
        }
    }
    return messages;
}

struct Rig : korvane::testing::FakeSession
{
    fakes::FakeMessageBoxes messages;
    fakes::FakeSaveDialog saveDialog;
    fakes::FakeWindowCapture capture;
    app::MainWindow window{{session, messages, saveDialog, capture}};

    Rig()
    {
        window.show();
        port.setOpenResult(1, platform::SerialPort::OpenError::None);
        tick();
        port.feed(hex("d55555"));
        tick();
        for (int type : {0, 1, 2, 3}) {
            tick();
            port.feed(FrameBuilder(type).q(10, 2301).q(13, 500));
        }
    }
};
} // namespace

class TstTranslations : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(app::installCatalogue(*qApp, QStringLiteral(PSEUDO_QM))); }

    void everyVisibleTextIsTranslatable_data()
    {
        QTest::addColumn<int>("tab");
        QTest::newRow("Realtime") << int(app::MainWindow::kRealtimeTab);
        QTest::newRow("Record") << int(app::MainWindow::kRecordTab);
        QTest::newRow("Trend") << int(app::MainWindow::kTrendTab);
        QTest::newRow("Phasor") << int(app::MainWindow::kPhasorTab);
        QTest::newRow("Overview") << int(app::MainWindow::kOverviewTab);
        QTest::newRow("Help") << -1;
        QTest::newRow("Publish settings") << -2;
    }
    void everyVisibleTextIsTranslatable()
    {
        QFETCH(int, tab);
        Rig rig;
        QWidget* shown = &rig.window;
        if (tab >= 0) {
            rig.window.tabs->setCurrentIndex(tab);
        } else if (tab == -1) {
            rig.window.onHelpClicked();
            shown = rig.window.helpBox();
        } else {
            rig.window.tabs->setCurrentIndex(app::MainWindow::kTrendTab);
            rig.window.publishControl->button()->click();
            shown = rig.window.publishControl->findChild<app::PublishDialog*>();
        }
        QStringList untranslated;
        for (const QString& text : visibleTexts(shown)) {
            if (!text.contains(kMark) && !isData(text))
                untranslated << text;
        }
        untranslated.removeDuplicates();
        QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(QStringLiteral(" | "))));
        // A label without a buddy shows its shortcut's '&' as it is.
        static const QRegularExpression mnemonic(QStringLiteral("&[^&\\s]"));
        for (const QLabel* label : shown->findChildren<QLabel*>()) {
            const bool rich =
                label->textFormat() == Qt::RichText ||
                (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
            if (label->isVisibleTo(shown) && !label->buddy() && !rich)
                QVERIFY2(!label->text().contains(mnemonic), qPrintable(label->text()));
        }
    }

    void chineseCatalogueTranslatesEveryText()
    {
        const QList<Message> code = readCatalogue(QStringLiteral(FRESH_TS));
        QVERIFY(!code.isEmpty());
        QSet<QString> translated;
        for (const Message& m : readCatalogue(QStringLiteral(CHINESE_TS))) {
            if (m.finished)
                translated << m.context + u'\x1f' + m.source;
        }
        QStringList missing;
        for (const Message& m : code) {
            if (!translated.contains(m.context + u'\x1f' + m.source))
                missing << m.context + QStringLiteral(": ") + m.source;
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u'\n')));
    }

    // Last: the Chinese catalogue goes on top of the marked one. CTest runs this with the
    // system's language set to Chinese (LC_ALL=zh_CN.UTF-8), which the window follows.
    void theChineseWindowSpeaksChinese()
    {
        const bool chineseSystem = qEnvironmentVariable("LC_ALL").startsWith(u"zh_CN");
        if (chineseSystem)
            QCOMPARE(QLocale::system().name(), QStringLiteral("zh_CN"));
        app::installTranslations(*qApp, chineseSystem ? QString() : QStringLiteral("zh_CN"));
        Rig rig;
        QCOMPARE(rig.window.readButton->text(), QStringLiteral("读取(&R)"));
        QCOMPARE(rig.window.tabs->tabText(app::MainWindow::kOverviewTab), QStringLiteral("总览"));
        QCOMPARE(rig.window.linkStatusLabel->text(), QStringLiteral("已连接"));
        // The meter's words on the Overview and Phasor pages; its numbers stay as they are.
        QCOMPARE(app::meterWord(QStringLiteral("reverse")), QStringLiteral("逆序"));
        QCOMPARE(app::meterWord(QStringLiteral("230.1")), QStringLiteral("230.1"));
        // The publish dialog leaves room for its placeholders beside the longer Chinese labels.
        app::PublishDialog dialog;
        dialog.show();
        for (const QLineEdit* edit : dialog.findChildren<QLineEdit*>()) {
            const int room =
                edit->width() - 2 * (edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 2);
            QVERIFY2(edit->fontMetrics().horizontalAdvance(edit->placeholderText()) <= room,
                     qPrintable(edit->placeholderText()));
        }
        // Why settings are refused, in the window's language too.
        app::PublishSettings refused;
        refused.enabled = true;
        refused.prefix = QStringLiteral("$x");
        dialog.setSettings(refused);
        QVERIFY2(dialog.problem().contains(QStringLiteral("主题前缀不能以 $ 开头")),
                 qPrintable(dialog.problem()));
    }
};

QTEST_MAIN(TstTranslations)
#include "tst_translations.moc"
