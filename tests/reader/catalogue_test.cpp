#include "platform/core/error.h"
#include "reader/catalogue.h"
#include "reader/catalogue_invariants.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace reader;

TEST(CatalogueLine, CutsAtEveryHyphen)
{
    const CatalogueLine a = parseCatalogueLine(QStringLiteral("a-b.jpg-c.txt"));
    EXPECT_EQ(a.title, "a");
    EXPECT_EQ(a.pictureFile, "b.jpg");
    EXPECT_EQ(a.textFile, "c.txt");

    const CatalogueLine shifted = parseCatalogueLine(QStringLiteral("x-y-b.jpg-c.txt"));
    EXPECT_EQ(shifted.title, "x");
    EXPECT_EQ(shifted.pictureFile, "y");
    EXPECT_EQ(shifted.textFile, "b.jpg");

    for (const char* line : {"a-b.jpg-", "a-b.jpg"}) {
        const CatalogueLine c = parseCatalogueLine(QString::fromUtf8(line));
        EXPECT_EQ(c.title, "a");
        EXPECT_EQ(c.pictureFile, "b.jpg");
        EXPECT_TRUE(c.textFile.isEmpty());
    }
    const CatalogueLine lone = parseCatalogueLine(QStringLiteral("标题"));
    EXPECT_EQ(lone.title, QStringLiteral("标题"));
    EXPECT_TRUE(lone.pictureFile.isEmpty());
}

TEST(CatalogueColumns, WidthsFollowTheListWidth)
{
    const ColumnWidths w = catalogueColumnWidths(3000);
    EXPECT_DOUBLE_EQ(w.number, 450);
    EXPECT_DOUBLE_EQ(w.title, 3000);
    EXPECT_DOUBLE_EQ(w.textFile, 30);
    EXPECT_DOUBLE_EQ(w.pictureFile, 30);

    const ColumnWidths design = catalogueColumnWidths(2265);  // W = 226
    EXPECT_DOUBLE_EQ(design.number, 339);
    EXPECT_DOUBLE_EQ(design.title, 2260);
    EXPECT_NEAR(design.textFile, 22.6, 1e-9);
    EXPECT_NEAR(design.pictureFile, 22.6, 1e-9);

    EXPECT_DOUBLE_EQ(catalogueColumnWidths(2265, 20).title, 4520);
    EXPECT_DOUBLE_EQ(catalogueColumnWidths(2999.6).number, 450);  // 3000 whole twips
}

TEST(CatalogueFile, FoundWithoutRegardToLetterCase)
{
    testing_support::TempWorkDir dir;
    EXPECT_EQ(QFileInfo(findCatalogueFile(dir.path())).fileName(), "docitem.txt");  // to be created
    dir.write("DOCITEM.TXT", "a-b-c\r\n");
    EXPECT_EQ(QFileInfo(findCatalogueFile(dir.path())).fileName(), "DOCITEM.TXT");
    dir.write("docitem.txt", "x-y-z\r\n");
    EXPECT_EQ(QFileInfo(findCatalogueFile(dir.path())).fileName(), "docitem.txt");
}

TEST(PageFiles, NamesStayInsideTheWorkingFolder)
{
    const struct {
        const char* name;
        const char* path; // nullptr: a missing file
    } cases[] = {
        {"p1.jpg", "p1.jpg"},
        {"图片\\p1.jpg", "图片/p1.jpg"}, // written on Windows
        {"图片/p1.jpg", "图片/p1.jpg"},
        {".\\图片\\\\p1.jpg", "图片/p1.jpg"},
        {"", nullptr},
        {"/etc/passwd", nullptr},
        {"\\etc\\passwd", nullptr},
        {"\\\\server\\share\\p1.jpg", nullptr},
        {"C:\\book\\p1.jpg", nullptr},
        {"c:p1.jpg", nullptr},
        {"..\\p1.jpg", nullptr},
        {"../p1.jpg", nullptr},
        {"图片/../../p1.jpg", nullptr},
        {"图片\\..\\p1.jpg", nullptr},
        {".", nullptr},
    };
    for (const auto& c : cases) {
        const QString name = QString::fromUtf8(c.name);
        if (c.path) {
            EXPECT_EQ(pageFilePath(name), QString::fromUtf8(c.path)) << c.name;
            continue;
        }
        try {
            const QString path = pageFilePath(name);
            ADD_FAILURE() << c.name << " gave " << path.toStdString();
        } catch (const platform::Error& e) {
            EXPECT_EQ(e.number(), platform::errc::FileNotFound) << c.name;
        }
    }
}

// Every input the catalogue fuzzer was seeded with or found a fault with
// reads into one row per line, and names no page file outside the book.
TEST(CatalogueFuzzSeeds, ReadAsTheirLines)
{
    const QDir seeds(QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/fuzz-seeds-catalogue"));
    testing_support::TempWorkDir dir;
    const QStringList files = seeds.entryList(QDir::Files);
    EXPECT_GE(files.size(), 10) << seeds.path().toStdString();
    for (const QString& name : files) {
        QFile file(seeds.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const QString broken = catalogue_invariants::check(catalogue_invariants::catalogueFor(file.readAll()), dir.file(QStringLiteral("docitem.txt")));
        EXPECT_TRUE(broken.isEmpty()) << name.toStdString() << ": " << broken.toStdString();
    }
}
