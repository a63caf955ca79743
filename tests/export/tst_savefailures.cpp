// SPDX-License-Identifier: GPL-3.0-or-later
// Saves that cannot be written: a path through a file, a read-only folder or file, a full disk.
// Each writer must report the file and the reason and leave the previous file as it was. Also
// that a good save replaces the old file whole with the usual permissions. File contents are in
// tst_textfiles/tst_workbook.
#include "export/liveviewtext.h"
#include "export/picture.h"
#include "export/recordcsv.h"
#include "export/recordtext.h"
#include "export/workbook.h"
#include "records/recdecode.h"
#include "support/framebuilder.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <sys/stat.h>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace korvane;
using namespace korvane::exporting;
using korvane::testing::FrameBuilder;

using Writer = std::function<SaveResult(const QString&)>;
Q_DECLARE_METATYPE(Writer)

namespace {
const QByteArray kOldContent = "the previous file\n";

const records::RecordTable& bigTable()
{
    static const records::RecordTable table = [] {
        QByteArray dump;
        for (int i = 0; i < 2000; ++i)
            dump += FrameBuilder(quint8(i % 4), quint8(i % 5)).q(2, quint16(i), 3).frame();
        records::RecordTable t;
        records::recdecode(t, dump, 2000, 0);
        return t;
    }();
    return table;
}

QImage noisyImage()
{
    QImage image(400, 300, QImage::Format_RGB32);
    quint32 x = 12345;
    for (int y = 0; y < image.height(); ++y) {
        for (int c = 0; c < image.width(); ++c) {
            x = x * 1103515245u + 12345u;
            image.setPixel(c, y, x);
        }
    }
    return image;
}

bool isRoot()
{
#ifdef Q_OS_UNIX
    return ::geteuid() == 0;
#else
    return false;
#endif
}

bool run(const QString& program, const QStringList& args)
{
    return QProcess::execute(program, args) == 0;
}

// A small tmpfs of our own, so a test can fill it or make it read-only without touching the
// machine's disks. Needs root.
class ScratchMount
{
public:
    explicit ScratchMount(const QString& size)
    {
        m_mounted = m_dir.isValid() &&
                    run("mount", {"-t", "tmpfs", "-o", "size=" + size, "tmpfs", m_dir.path()});
    }
    ~ScratchMount()
    {
        if (m_mounted)
            run("umount", {m_dir.path()});
    }
    bool isMounted() const { return m_mounted; }
    QString path() const { return m_dir.path(); }
    bool makeReadOnly() { return run("mount", {"-o", "remount,ro", m_dir.path()}); }
    // Writes until the filesystem has no room left.
    bool fill()
    {
        QFile filler(QDir(path()).filePath("filler"));
        if (!filler.open(QIODevice::WriteOnly))
            return false;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        return true;
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeOld(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(kOldContent) == kOldContent.size();
}

void addWriters()
{
    QTest::addColumn<Writer>("writer");
    QTest::newRow("record text") << Writer(
        [](const QString& p) { return saveRecordText(p, bigTable()); });
    QTest::newRow("record csv") << Writer(
        [](const QString& p) { return saveRecordCsv(p, bigTable()); });
    QTest::newRow("workbook") << Writer([](const QString& p) { return xlsexport(p, bigTable()); });
    QTest::newRow("live view text") << Writer([](const QString& p) {
        LiveRowTexts captions{"U1: ", "I1: ", "PF1: ", "P1: ", "Q1: ", "S1: "};
        return saveLiveViewText(p, captions, captions);
    });
    QTest::newRow("picture") << Writer(
        [](const QString& p) { return savePicture(p, noisyImage()); });
}

void verifyFailure(const SaveResult& result, const QString& path)
{
    QVERIFY(!result.ok);
    QCOMPARE(result.path, path);
    QVERIFY(!result.reason.isEmpty());
    QVERIFY(result.message().contains(path));
}
} // namespace

class TstSaveFailures : public QObject
{
    Q_OBJECT
private slots:
    void pathThroughAFileFails_data() { addWriters(); }
    void pathThroughAFileFails()
    {
        QFETCH(Writer, writer);
        QTemporaryDir dir;
        const QString notAFolder = dir.filePath("plain-file");
        QVERIFY(writeOld(notAFolder));
        const QString path = notAFolder + "/Korvane.out";
        verifyFailure(writer(path), path);
        QCOMPARE(contents(notAFolder), kOldContent);
    }

    void readOnlyFolderKeepsThePreviousFile_data() { addWriters(); }
    void readOnlyFolderKeepsThePreviousFile()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows lets files be written into a folder marked read-only");
#endif
        QFETCH(Writer, writer);
        if (isRoot()) {
            // Root writes through permission bits, so the folder is a read-only filesystem.
            ScratchMount mount("256k");
            QVERIFY2(mount.isMounted(), "could not mount a scratch tmpfs");
            const QString path = QDir(mount.path()).filePath("Korvane.out");
            QVERIFY(writeOld(path));
            QVERIFY(mount.makeReadOnly());
            verifyFailure(writer(path), path);
            QCOMPARE(contents(path), kOldContent);
            QCOMPARE(entries(mount.path()), QStringList{"Korvane.out"});
            return;
        }
        QTemporaryDir dir;
        const QString path = dir.filePath("Korvane.out");
        QVERIFY(writeOld(path));
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        const SaveResult result = writer(path);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        verifyFailure(result, path);
        QCOMPARE(contents(path), kOldContent);
    }

    void readOnlyFileIsNotReplaced_data()
    {
        addWriters();
    }
    void readOnlyFileIsNotReplaced()
    {
        QFETCH(Writer, writer);
        if (isRoot())
            QSKIP("root may replace a read-only file; the read-only filesystem case covers root");
        QTemporaryDir dir;
        const QString path = dir.filePath("Korvane.out");
        QVERIFY(writeOld(path));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
        verifyFailure(writer(path), path);
        QCOMPARE(contents(path), kOldContent);
    }

    void fullDiskKeepsThePreviousFileAndLeavesNoTemporaries_data()
    {
        addWriters();
    }
    void fullDiskKeepsThePreviousFileAndLeavesNoTemporaries()
    {
#ifdef Q_OS_WIN
        QSKIP("a full disk is simulated with a small tmpfs mount, which Windows has not");
#endif
        QFETCH(Writer, writer);
        if (!isRoot())
            QSKIP("a full disk is simulated with a tmpfs, which needs root");
        ScratchMount mount("64k");
        QVERIFY2(mount.isMounted(), "could not mount a scratch tmpfs");
        const QString path = QDir(mount.path()).filePath("Korvane.out");
        QVERIFY(writeOld(path));
        QVERIFY(mount.fill());
        verifyFailure(writer(path), path);
        QCOMPARE(contents(path), kOldContent);
        QCOMPARE(entries(mount.path()), (QStringList{"filler", "Korvane.out"}));
    }

    void goodSaveReplacesTheOldFileWhole_data()
    {
        addWriters();
    }
    void goodSaveReplacesTheOldFileWhole()
    {
        QFETCH(Writer, writer);
        QTemporaryDir dir;
        const QString path = dir.filePath("Korvane.out");
        QVERIFY(writeOld(path));
        const SaveResult result = writer(path);
        QVERIFY2(result.ok, qPrintable(result.message()));
        QVERIFY(contents(path) != kOldContent);
        QVERIFY(contents(path).size() > 100);
        QCOMPARE(entries(dir.path()), QStringList{"Korvane.out"});
    }

    void everySaveLeavesTheUsualPermissions_data()
    {
        addWriters();
    }
    void everySaveLeavesTheUsualPermissions()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows guards files by access lists, not by the mode bits and umask checked here");
#endif
        QFETCH(Writer, writer);
        QTemporaryDir dir;
        const QString path = dir.filePath("Korvane.out");
        const mode_t oldMask = ::umask(022);
        const bool created = writer(path).ok;
        ::umask(oldMask);
        QVERIFY(created);
        const auto mode = [](const QString& file) {
            struct stat st
            {
            };
            return ::stat(QFile::encodeName(file).constData(), &st) == 0 ? st.st_mode & 07777
                                                                         : mode_t(0);
        };
        QCOMPARE(mode(path), mode_t(0644));
        // A replaced file keeps its mode, wider or narrower than the umask's.
        for (const mode_t kept : {mode_t(0640), mode_t(0666)}) {
            QVERIFY(::chmod(QFile::encodeName(path).constData(), kept) == 0);
            QVERIFY(writer(path).ok);
            QCOMPARE(mode(path), kept);
        }
    }

    void pictureIsJpegWhateverTheExtension()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Korvane.txt");
        QVERIFY(savePicture(path, noisyImage()).ok);
        QVERIFY(contents(path).startsWith("\xFF\xD8\xFF"));
        QVERIFY(savePicture(dir.filePath("none.jpg"), QImage()).ok == false);
    }
};

QTEST_GUILESS_MAIN(TstSaveFailures)
#include "tst_savefailures.moc"
