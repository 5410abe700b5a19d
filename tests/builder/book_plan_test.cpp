#include "builder/book_plan.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace builder;

namespace {

struct PlanCase {
    const char* what;
    QVector<PairRow> rows;
    EntryNames names;
    QStringList lines;
};

using testing_support::u;

} // namespace

TEST(BookPlan, OneLinePerRowWithSafeNames)
{
    const EntryNames Yes = EntryNames::FromText, No = EntryNames::FromPicture;
    const PlanCase cases[] = {
        {"shared base names, No", {{"a.jpg", "a.rtf"}, {"b.gif", "b.txt"}}, No, {"a-a.jpg-a.rtf", "b-b.gif-b.txt"}},
        {"shared base names, Yes", {{"a.jpg", "a.rtf"}, {"b.gif", "b.txt"}}, Yes, {"a-a.jpg-a.rtf", "b-b.gif-b.txt"}},
        {"text names", {{"p1.jpg", "intro.rtf"}}, Yes, {"intro-p1.jpg-intro.rtf"}},
        {"picture names", {{"p1.jpg", "intro.rtf"}}, No, {"p1-p1.jpg-intro.rtf"}},
        {"entry name ends at the first dot", {{"photo.2003.jpg", ""}}, No, {"photo-photo.2003.jpg-"}},
        {"no text, No: empty text field", {{"p.jpg", ""}}, No, {"p-p.jpg-"}},
        // Yes with no text file would leave no entry name: the picture's stands in, the page stays.
        {"no text, Yes: the picture names the entry", {{"p.jpg", ""}, {"q.jpg", "q.rtf"}}, Yes, {"p-p.jpg-", "q-q.jpg-q.rtf"}},
        {"no dot: the whole name", {{"readme", "notes"}}, Yes, {"notes-readme-notes"}},
        {"hyphens mended in files and entries, No", {{"a-b.jpg", "x-y.rtf"}}, No, {"a_b-a_b.jpg-x_y.rtf"}},
        {"hyphens mended in files and entries, Yes", {{"a-b.jpg", "x-y.rtf"}}, Yes, {"x_y-a_b.jpg-x_y.rtf"}},
        {"a line break cannot split a line", {{"a\nb.jpg", "c\r.txt"}}, No, {"a_b-a_b.jpg-c_.txt"}},
        {"mended name taken by another file of the book",
         {{"a-b.jpg", ""}, {"a_b.jpg", ""}},
         No,
         {"a_b-a_b_2.jpg-", "a_b-a_b.jpg-"}},
        {"taken twice over",
         {{"a-b.jpg", ""}, {"a_b.jpg", ""}, {"a_b_2.jpg", ""}, {"a-b.JPG", ""}},
         No,
         {"a_b-a_b_3.jpg-", "a_b-a_b.jpg-", "a_b_2-a_b_2.jpg-", "a_b-a_b.JPG-"}},
        {"two mended names meeting", {{"a-b.jpg", ""}, {"a_b.jpg", "a-b.jpg"}}, No, {"a_b-a_b_2.jpg-", "a_b-a_b.jpg-a_b_2.jpg"}},
        {"the same file in two rows keeps one name", {{"a-b.jpg", "t.rtf"}, {"a-b.jpg", "u.rtf"}}, No,
         {"a_b-a_b.jpg-t.rtf", "a_b-a_b.jpg-u.rtf"}},
        {"Chinese names pass unchanged", {{u("园-林.jpg"), u("说明.rtf")}}, Yes, {u("说明-园_林.jpg-说明.rtf")}},
        {"no rows", {}, Yes, {}},
    };
    for (const PlanCase& c : cases) {
        QStringList lines;
        for (const RowPlan& p : planBook(c.rows, c.names))
            lines << p.line;
        EXPECT_EQ(lines, c.lines) << c.what;
    }
}

TEST(BookPlan, NumberGoesBeforeTheExtension)
{
    const struct {
        const char* name;
        int k;
        const char* expected;
    } cases[] = {
        {"a_b.jpg", 2, "a_b_2.jpg"}, {"a.tar.gz", 3, "a.tar_3.gz"}, {"noext", 2, "noext_2"}, {".hidden", 2, ".hidden_2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(withNumber(QString::fromUtf8(c.name), c.k), QString::fromUtf8(c.expected)) << c.name;
}

TEST(BookPlan, TargetsAreTheNamesInTheLine)
{
    const QVector<RowPlan> plan = planBook({{"a-b.jpg", "a-b.rtf"}, {"c.jpg", ""}}, EntryNames::FromText);
    ASSERT_EQ(plan.size(), 2);
    EXPECT_EQ(plan[0].pictureTarget, "a_b.jpg");
    EXPECT_EQ(plan[0].textTarget, "a_b.rtf");
    EXPECT_EQ(plan[1].pictureTarget, "c.jpg");
    EXPECT_TRUE(plan[1].textTarget.isEmpty());
}
