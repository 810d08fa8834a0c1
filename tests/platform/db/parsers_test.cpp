// The two small languages the windows speak to the data layer: record sources and
// find criteria.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/db/errors.h"
#include "platform/db/find_criterion.h"
#include "platform/db/select_statement.h"

namespace {

using db::FindCriterion;

TEST(SelectStatements, TheFormsTheWindowsUse) {
    struct Case {
        const char* text;
        const char* table;
        std::vector<std::string> columns;
        std::optional<std::string> where;
        std::string value;
        std::optional<std::string> order;
    };
    const Case cases[] = {
        {"Select * from Pictures", "Pictures", {}, {}, "", {}},
        {"Select * from Categories Order by Description", "Categories", {}, {}, "", "Description"},
        {"Select ID,PhotoDescription,Date,Category from Pictures", "Pictures",
         {"ID", "PhotoDescription", "Date", "Category"}, {}, "", {}},
        {"Select * from Pictures where Category='Cats' ORDER BY PhotoDescription", "Pictures", {}, "Category",
         "Cats", "PhotoDescription"},
        {"SELECT ID , PhotoDescription FROM Pictures WHERE Category = 'Tom's' order  by  PhotoDescription",
         "Pictures", {"ID", "PhotoDescription"}, "Category", "Tom's", "PhotoDescription"},
        // The value runs to the last quote of the where clause, whatever it holds.
        {"Select * from Pictures where Category='a' ORDER BY b' ORDER BY PhotoDescription", "Pictures", {},
         "Category", "a' ORDER BY b", "PhotoDescription"},
        {"Select * from Pictures where Category='x ORDER BY y'", "Pictures", {}, "Category", "x ORDER BY y", {}},
        {"Select * from Pictures where Category=''", "Pictures", {}, "Category", "", {}},
        {"  select * from Options  ", "Options", {}, {}, "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto s = db::parseSelectStatement(c.text);
        EXPECT_EQ(s.table, c.table);
        EXPECT_EQ(s.columns, c.columns);
        EXPECT_EQ(s.whereColumn, c.where);
        EXPECT_EQ(s.whereValue, c.value);
        EXPECT_EQ(s.orderBy, c.order);
    }
}

TEST(SelectStatements, AnythingElseIsASyntaxError) {
    for (const char* bad : {
             "", "Select", "Select * Pictures", "Select from Pictures", "Select *from Pictures x",
             "Select a,,b from Pictures", "Select * from Pictures where Category=Cats",
             "Select * from Pictures where Category='Cats", "Select * from Pictures where Category='a' and b='c",
             "Select * from Pictures where Category='a' x", "Select * from Pictures ORDER BY",
             "Select * from Pictures; DROP TABLE Pictures", "Delete from Pictures", "Select * from 1table",
             "Select * from Pictures ORDER BY PhotoDescription DESC", "Select * from Pictures where ='a'",
         }) {
        try {
            db::parseSelectStatement(bad);
            ADD_FAILURE() << "accepted: " << bad;
        } catch (const runtime::Error& e) {
            EXPECT_EQ(e.number(), db::kErrSyntax) << bad;
        }
    }
}

TEST(FindCriteria, ParseTheThreeForms) {
    struct Case {
        const char* text;
        const char* column;
        FindCriterion::Op op;
        double number;
        const char* pattern;
    };
    const Case cases[] = {
        {"ID=5", "ID", FindCriterion::Op::EqualsNumber, 5, ""},
        {" ID = 12 ", "ID", FindCriterion::Op::EqualsNumber, 12, ""},
        {"PhotoSize=-2.5", "PhotoSize", FindCriterion::Op::EqualsNumber, -2.5, ""},
        {"PhotoDescription='Tom's cat'", "PhotoDescription", FindCriterion::Op::EqualsText, 0, "Tom's cat"},
        {"Description = ''", "Description", FindCriterion::Op::EqualsText, 0, ""},
        {"PhotoDescription like '*it's*'", "PhotoDescription", FindCriterion::Op::Like, 0, "*it's*"},
        {"PhotoDescription LIKE'a''b'", "PhotoDescription", FindCriterion::Op::Like, 0, "a''b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto f = db::parseFindCriterion(c.text);
        EXPECT_EQ(f.column, c.column);
        EXPECT_EQ(f.op, c.op);
        if (c.op == FindCriterion::Op::EqualsNumber) EXPECT_EQ(f.number, c.number);
        else EXPECT_EQ(f.text, c.pattern);
    }
}

TEST(FindCriteria, MalformedOnesRaise) {
    for (const char* bad : {"", "ID", "ID=", "ID=5abc", "ID=5 6", "ID==5", "=5", "5=ID", "ID='open",
                            "Name='a' extra", "Name like *a*", "Name likes '*a*'", "Name<5", "Name like"}) {
        try {
            db::parseFindCriterion(bad);
            ADD_FAILURE() << "accepted: " << bad;
        } catch (const runtime::Error& e) {
            EXPECT_EQ(e.number(), db::kErrBadArgument) << bad;
        }
    }
}

TEST(FindCriteria, MatchingIgnoresCase) {
    struct Case {
        const char* criterion;
        db::Value value;
        bool match;
    };
    const Case cases[] = {
        {"X=5", db::Value(5), true},
        {"X=5", db::Value(5.0), true},
        {"X=5", db::Value("5"), true},
        {"X=5", db::Value(6), false},
        {"X=5", db::Value(), false},
        {"X=5", db::Value("five"), false},
        {"X=9007199254740993", db::Value(9007199254740992LL), false},
        {"X='Cat'", db::Value("cAT"), true},
        {"X='Cat'", db::Value("Cats"), false},
        {"X='2024-02-29'", db::Value(db::Date{2024, 2, 29}), true},
        {"X like '*CAT*'", db::Value("Tom's cat photo"), true},
        {"X like '*cat*'", db::Value("dog"), false},
        {"X like 'c?t'", db::Value("Cut"), true},
        {"X like 'c?t'", db::Value("cart"), false},
        {"X like '*'", db::Value(""), true},
        {"X like '*'", db::Value(), false},
        {"X like 'a*b*c'", db::Value("aXbYbZc"), true},
        {"X like 'a*b*c'", db::Value("aXbYbZ"), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(db::matchesCriterion(db::parseFindCriterion(c.criterion), c.value), c.match)
            << c.criterion << " on '" << c.value.text() << "'";
}

TEST(FindCriteria, LikeOnLongHostileTextStaysQuadraticAtWorst) {
    const std::string text(20000, 'a');
    const std::string pattern = "*a*a*a*a*a*a*a*a*b";
    EXPECT_FALSE(db::likeMatch(pattern, text));
}

TEST(Dates, IsoTextOnlyForRealDays) {
    EXPECT_EQ(db::parseIsoDate("2024-02-29"), (db::Date{2024, 2, 29}));
    EXPECT_EQ(db::parseIsoDate("0999-12-31"), (db::Date{999, 12, 31}));
    for (const char* bad : {"2023-02-29", "2024-13-01", "2024-00-10", "24-02-29", "2024/02/29", "2024-02-29 ", "0000-01-01"})
        EXPECT_FALSE(db::parseIsoDate(bad)) << bad;
    EXPECT_EQ(db::Value(db::Date{87, 3, 4}).text(), "0087-03-04") << "four-digit years";
}

}  // namespace
