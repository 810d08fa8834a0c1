// Find criteria and record sources come from what the user types into the find box
// and the category list; both parsers must take anything without crashing or hanging.

#include <cstdint>
#include <string>

#include "platform/db/find_criterion.h"
#include "platform/db/select_statement.h"
#include "platform/runtime/error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const db::FindCriterion c = db::parseFindCriterion(text);
        for (const db::Value& v : {db::Value(text), db::Value(int64_t{42}), db::Value(2.5),
                                   db::Value(db::Date{2024, 2, 29}), db::Value()})
            (void)db::matchesCriterion(c, v);
        (void)db::likeMatch(c.text, text);
    } catch (const runtime::Error&) {
        // A malformed criterion is a valid answer.
    }
    try {
        (void)db::parseSelectStatement(text);
    } catch (const runtime::Error&) {
    }
    return 0;
}
