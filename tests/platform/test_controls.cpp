#include <gtest/gtest.h>

#include <QTest>

#include "platform/controls.h"

// Keys typed into a cleared size field (1 to 1000 cm): the value it takes
// and the text it shows once editing ends.
TEST(FloatSpinEdit, ShowsCommaAndTakesPointAsComma) {
    TFloatSpinEdit field;
    field.setRange(1, 1000);
    field.setValue(20.0);
    EXPECT_EQ(field.text(), "20,00");

    struct Case {
        const char* keys;
        double value;
        const char* shown;
    } cases[] = {
        {"12,5", 12.5, "12,50"},
        {"12.5", 12.5, "12,50"},
        {"7,25", 7.25, "7,25"},
        {"abc", 1.0, "1,00"},         // not a number: the minimum
        {"999,99", 999.99, "999,99"},
    };
    for (const Case& c : cases) {
        field.setValue(20.0);
        field.selectAll();
        QTest::keyClicks(&field, QString::fromLatin1(c.keys));
        EXPECT_DOUBLE_EQ(field.value(), c.value) << c.keys;
        field.interpretText();
        EXPECT_EQ(field.text(), QString::fromLatin1(c.shown)) << c.keys;
    }
}
