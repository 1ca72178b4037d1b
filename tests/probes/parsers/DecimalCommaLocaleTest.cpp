// Runs every registered parser table again with the process switched to a
// locale whose decimal separator is a comma: the results must not change.
#include "tests/probes/parsers/ParserCases.h"

#include <clocale>
#include <gtest/gtest.h>
#include <locale>
#include <stdexcept>

namespace lumra {
namespace {

class ScopedProcessLocale {
public:
    explicit ScopedProcessLocale(const char* name)
        : m_previousCLocale(std::setlocale(LC_ALL, nullptr)), m_previousGlobal(std::locale()) {
        std::locale::global(std::locale(name));
        std::setlocale(LC_ALL, name);
    }
    ~ScopedProcessLocale() {
        std::locale::global(m_previousGlobal);
        std::setlocale(LC_ALL, m_previousCLocale.c_str());
    }
    ScopedProcessLocale(const ScopedProcessLocale&) = delete;
    ScopedProcessLocale& operator=(const ScopedProcessLocale&) = delete;

private:
    std::string m_previousCLocale;
    std::locale m_previousGlobal;
};

TEST(DecimalCommaLocaleTest, EveryParserTableGivesTheSameResultsUnderGermanLocale) {
    std::optional<ScopedProcessLocale> german;
    try {
        german.emplace("de_DE.UTF-8");
    } catch (const std::runtime_error& error) {
        FAIL() << "the de_DE.UTF-8 locale is missing (./setup generates it): " << error.what();
    }
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    ASSERT_EQ(std::use_facet<std::numpunct<char>>(std::locale()).decimal_point(), ',');

    ASSERT_GE(caseTables().size(), 10u);
    for (const CaseTable& table : caseTables()) {
        SCOPED_TRACE("table " + table.name);
        table.check();
    }
}

TEST(DecimalCommaLocaleTest, TheProcessLocaleIsRestoredAfterwards) {
    EXPECT_STREQ(std::localeconv()->decimal_point, ".");
    EXPECT_EQ(std::locale().name(), "C");
}

} // namespace
} // namespace lumra
