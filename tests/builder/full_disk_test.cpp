// Writes that fail part-way: a file-size limit set in a child program, a full
// file system mounted in a namespace of its own, a copy killed in the middle,
// and names that are symbolic links. Whatever happens, the old file survives
// whole and the user is told.
#include "builder_fixture.h"

#include "platform/core/file_write.h"
#include "platform/files/file_ops.h"

#include <QProcess>

namespace {

const QByteArray kOld = QByteArray("旧目录-old.jpg-old.rtf\r\n").repeated(40);
const QString kSuccess = QStringLiteral("已经制作好图文播放目录，请重新启动软件使用。");

enum class Limit { None, FileSize, FullDisk };

bool namespacesAllowed()
{
    QProcess p;
    p.start(QStringLiteral("unshare"), {QStringLiteral("-Urm"), QStringLiteral("true")});
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Fills a small file system with the folder's files and then to the last byte,
// runs the command in it, and leaves what the file system holds afterwards in
// disk.after beside it.
const char* kOnFullDisk = R"(set -e
mkdir -p disk disk.after
mount -t tmpfs -o size=256k tmpfs disk
for f in *; do if [ -f "$f" ]; then cp "$f" disk/; fi; done
cd disk
dd if=/dev/zero of=.filler bs=4k 2>/dev/null || true
set +e
"$@"; rc=$?
rm -f .filler
cp -a . ../disk.after/
exit $rc)";

struct ProbeRun {
    int exitCode = -1;
    bool crashed = false;
    QStringList messages;  // the message boxes the builder showed
    QString stderrText;
    QDir after;            // where the written files are to be looked at
};

ProbeRun probe(Limit limit, const QString& folder, QStringList args)
{
    QStringList command{QStringLiteral(AURELIS_WRITE_PROBE)};
    if (limit == Limit::FileSize)
        command << "--fsize" << "4096";
    command += args;
    QProcess p;
    p.setWorkingDirectory(folder);
    if (limit == Limit::FullDisk)
        p.start(QStringLiteral("unshare"), QStringList{"-Urm", "sh", "-c", kOnFullDisk, "sh"} + command);
    else
        p.start(command.takeFirst(), command);
    ProbeRun run;
    EXPECT_TRUE(p.waitForFinished(60000)) << "the probe hangs";
    run.crashed = p.exitStatus() != QProcess::NormalExit;
    run.exitCode = p.exitCode();
    run.stderrText = QString::fromLocal8Bit(p.readAllStandardError());
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n'))
        if (line.startsWith("MSG "))
            run.messages << line.mid(4);
    run.after = QDir(limit == Limit::FullDisk ? folder + "/disk.after" : folder);
    return run;
}

QByteArray bytesIn(const QDir& dir, const QString& name)
{
    QFile f(dir.filePath(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QStringList temporaryFiles(const QDir& dir)
{
    QStringList out;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden))
        if (platform::isTemporaryName(name))
            out << name;
    return out;
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

const char* limitName(Limit l) { return l == Limit::None ? "no limit" : l == Limit::FileSize ? "size limit" : "full disk"; }

} // namespace

TEST(FullDisk, EveryWriteFailsLoudlyAndLeavesTheOldFileWhole)
{
    const bool mounts = namespacesAllowed();
    if (!mounts)
        std::cout << "[ SKIPPED  ] full file system: the kernel refuses a user and mount namespace here\n";
    const QList<QStringList> writes{{"lines", "target", "400"}, {"rtf", "target", "16"}, {"copy", "source", "target"}};
    for (Limit limit : {Limit::None, Limit::FileSize, Limit::FullDisk}) {
        if (limit == Limit::FullDisk && !mounts)
            continue;
        for (const QStringList& write : writes) {
            SCOPED_TRACE(write.join(' ').toStdString() + ", " + limitName(limit));
            QTemporaryDir folder;
            writeBytes(folder.filePath("target"), kOld);
            writeBytes(folder.filePath("source"), QByteArray(20000, 'n'));
            const ProbeRun run = probe(limit, folder.path(), write);
            EXPECT_FALSE(run.crashed);
            if (limit == Limit::None) {
                EXPECT_EQ(run.exitCode, 0) << run.stderrText.toStdString();
                EXPECT_NE(bytesIn(run.after, "target"), kOld);
            } else {
                EXPECT_EQ(run.exitCode, 3) << "the failure reaches the caller";
                EXPECT_EQ(bytesIn(run.after, "target"), kOld);
            }
            EXPECT_EQ(temporaryFiles(run.after), QStringList());
        }
    }
}

TEST(FullDisk, TheBuilderNeverLosesTheCatalogueAndSaysWhatWasNotCopied)
{
    struct Case {
        const char* what;
        Limit limit;
        int pictures;        // small pictures in the book
        bool bigPicture;     // one past the size limit
        bool catalogueWritten;
    };
    const Case cases[] = {
        {"a picture too big to copy", Limit::FileSize, 2, true, true},
        {"a catalogue too big to write", Limit::FileSize, 400, false, false},
        {"no byte left on the disk", Limit::FullDisk, 2, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.limit == Limit::FullDisk && !namespacesAllowed()) {
            std::cout << "[ SKIPPED  ] " << c.what << ": no user and mount namespace here\n";
            continue;
        }
        QTemporaryDir book, work;
        for (int i = 1; i <= c.pictures; ++i)
            writeBytes(book.filePath(QStringLiteral("p%1.jpg").arg(i, 3, 10, QLatin1Char('0'))), "picture");
        if (c.bigPicture)
            writeBytes(book.filePath("big.jpg"), QByteArray(10000, 'b'));
        writeBytes(work.filePath("docitem.txt"), kOld);

        // Twice: a second build after a failed one must not back up a damaged catalogue.
        for (int round = 1; round <= 2; ++round) {
            SCOPED_TRACE(round);
            const ProbeRun run = probe(c.limit, work.path(), {"build", book.path()});
            ASSERT_EQ(run.exitCode, 0) << run.stderrText.toStdString();
            ASSERT_FALSE(run.messages.isEmpty());
            const QByteArray catalogue = bytesIn(run.after, "docitem.txt");
            if (c.catalogueWritten) {
                EXPECT_TRUE(catalogue.contains("big-big.jpg-\r\n")) << catalogue.constData();
                EXPECT_EQ(bytesIn(run.after, "docitem"), round == 1 ? kOld : catalogue);
                EXPECT_NE(run.messages.last(), kSuccess);
                EXPECT_TRUE(run.messages.last().contains("big.jpg")) << run.messages.last().toStdString();
                EXPECT_FALSE(run.messages.last().contains("p001.jpg"));
                EXPECT_FALSE(run.after.exists("big.jpg")) << "no cut-off picture under its name";
            } else {
                EXPECT_EQ(catalogue, kOld);
                EXPECT_NE(run.messages.last(), kSuccess);
            }
            EXPECT_EQ(temporaryFiles(run.after), QStringList());
        }
    }
}

class BuilderWrites : public BuilderTest {};

TEST_F(BuilderWrites, AKilledCopyLeavesNothingUnderTheRealNameAndIsClearedNextTime)
{
    {
        QFile huge(book.filePath("huge.jpg"));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(40) << 20));
    }
    const ProbeRun run = probe(Limit::None, dir.path(), {"--kill-after-first-piece", "copy", book.filePath("huge.jpg"), "huge.jpg"});
    if (!run.crashed)
        GTEST_SKIP() << "the file system cloned the file at once: no copy to interrupt";
    EXPECT_FALSE(platform::pathTaken(dir.file("huge.jpg")));
    ASSERT_EQ(temporaryFiles(QDir(dir.path())).size(), 1);

    // Names that only look like a leftover are someone else's.
    const QStringList others{".notes.part", ".a.jpg.1234567.part", "x.12345678.part", ".a.jpg.1234567g.part"};
    for (const QString& name : others)
        dir.write(name, "keep");
    put("a.jpg", content("a.jpg"));
    open();
    goTo(book.path());
    clickPicture("a.jpg");
    confirm();
    EXPECT_EQ(temporaryFiles(QDir(dir.path())), QStringList());
    for (const QString& name : others)
        EXPECT_EQ(dir.read(name), "keep") << name.toStdString();
    EXPECT_EQ(dir.read("a.jpg"), content("a.jpg"));
}

TEST_F(BuilderWrites, LinksAreReplacedNeverWrittenThrough)
{
    QTemporaryDir outside;
    writeBytes(outside.filePath("secret.txt"), "secret");
    writeBytes(outside.filePath("their-catalogue.txt"), kOld);
    ASSERT_TRUE(QFile::link(outside.filePath("secret.txt"), dir.file("abc.rtf")));
    ASSERT_TRUE(QFile::link(outside.filePath("their-catalogue.txt"), dir.file("docitem.txt")));
    ASSERT_TRUE(QFile::link(outside.filePath("ghost.jpg"), dir.file("a.jpg")));  // leads nowhere
    put("a.jpg", content("a.jpg"));
    start();  // writes the help file
    open();
    goTo(book.path());
    clickPicture("a.jpg");
    confirm();

    EXPECT_EQ(bytesIn(QDir(outside.path()), "secret.txt"), "secret");
    EXPECT_EQ(bytesIn(QDir(outside.path()), "their-catalogue.txt"), kOld);
    EXPECT_FALSE(QFile::exists(outside.filePath("ghost.jpg")));
    for (const char* name : {"abc.rtf", "docitem.txt", "a.jpg"})
        EXPECT_FALSE(QFileInfo(dir.file(name)).isSymLink()) << name;
    EXPECT_TRUE(dir.read("abc.rtf").startsWith("{\\rtf"));
    EXPECT_EQ(dir.read("docitem.txt"), catalogueBytes({"a-a.jpg-"}));
    EXPECT_EQ(dir.read("docitem"), kOld);
    EXPECT_EQ(dir.read("a.jpg"), content("a.jpg"));

    // A folder on the way that is a link is followed as ever.
    ASSERT_TRUE(QFile::link(outside.path(), dir.file("through")));
    platform::writeFileReplacing(dir.file("through/new.txt"), "new");
    EXPECT_EQ(bytesIn(QDir(outside.path()), "new.txt"), "new");
}

TEST_F(BuilderWrites, AMendedNameNeverTakesAnUnrelatedFileAndBuildingAgainReusesItsOwn)
{
    put("a-b.jpg", content("a-b.jpg"));
    dir.write("a_b.jpg", "unrelated");
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        open();
        goTo(book.path());
        clickPicture("a-b.jpg");
        confirm();
        EXPECT_EQ(overwriteAsked, QStringList()) << "no question about a file never chosen";
        EXPECT_EQ(dir.read("a_b.jpg"), "unrelated");
        EXPECT_EQ(dir.read("a_b_2.jpg"), content("a-b.jpg"));
        EXPECT_FALSE(QFile::exists(dir.file("a_b_3.jpg")));
        EXPECT_EQ(dir.read("docitem.txt"), catalogueBytes({"a_b-a_b_2.jpg-"}));
    }
}
