// CutBetweenMarkers: the first piece, the second collection, and the marker comparison.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <string>

#include "lookup.h"

namespace {

TEST(Cut, PiecesBetweenMarkers) {
    std::string many = "yy";  // the second collection starts right at the first "["
    for (int k = 0; k <= 102; ++k) many += "[" + std::to_string(k) + "]";
    struct Case {
        std::string start, end, text;
        int16_t index;
        std::string expected;
    } cases[] = {
        {"[", "]", "", 1, ""},
        {"[", "]", "abc", 1, "err"},
        {"[", "]", "[abc", 1, "err"},
        {"[", "]", "x]a[b", 1, "err"},  // the end marker must follow the start marker
        {"[", "]", "x[abc]y", 1, "abc"},
        {"[", "]", "x[]y", 1, ""},
        {"<<", ">>", "a<<b>>c>>", 1, "b"},
        // The start marker again after the first end marker: the second collection decides.
        // From position E + 2 = 3 it leaves out a start marker at position 1 or 2.
        {"[", "]", "[a] x [c]", 1, ""},
        {"[", "]", "y [a] x [c]", 1, "c"},
        {"[", "]", "y [a] x [c]", 0, "a"},
        {"[", "]", "y [a] x [c]", -1, ""},
        {"[", "]", "y [a] x [c", 1, ""},  // the second piece has no end marker
        // Empty markers are found where the search starts: 101 empty pieces.
        {"", "", "abc", 1, ""},
        {"", "]", "ab]cd]", 1, "cd"},  // an empty start marker is always found again
        // 101 pieces at most (numbers 0 to 100).
        {"[", "]", many, 100, "100"},
        {"[", "]", many, 101, ""},
        // Letter case is ignored, also for full-width and non-Latin letters, and for the Kelvin
        // sign, which folds to k; width and kana type are not.
        {"<HTML>", "</HTML>", "<html>x</Html>", 1, "x"},
        {"\xEF\xBC\xA9\xEF\xBC\xB0", ":", "\xEF\xBD\x89\xEF\xBD\x90 1:", 1, " 1"},  // ＩＰ / ｉｐ
        {"\xCE\xA3", "]", "\xCF\x83" "1]", 1, "1"},                                   // Σ / σ
        {"k", "]", "\xE2\x84\xAA" "1]", 1, "1"},                                     // K (U+212A)
        {"IP", "]", "\xEF\xBC\xA9\xEF\xBC\xB0 1]", 1, "err"},                          // IP / ＩＰ
        {"\xE3\x82\xA2", "]", "\xEF\xBD\xB1" "1]", 1, "err"},                          // ア / ｱ
        {"\xE3\x82\xA2", "]", "\xE3\x81\x82" "1]", 1, "err"},                          // ア / あ
    };
    for (const auto& c : cases)
        EXPECT_EQ(nw::CutBetweenMarkers(c.start, c.end, c.text, c.index), c.expected)
            << c.start << " | " << c.end << " | " << c.text << " | " << c.index;
}

// Counts how often the event loop runs: its event posts itself again, and an event posted while
// the posted events are being handled waits for the next turn.
class LoopCounter : public QObject {
public:
    int turns = 0;
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User) return QObject::event(e);
        ++turns;
        QCoreApplication::postEvent(this, new QEvent(QEvent::User));
        return true;
    }
};

TEST(Cut, EventLoopRunsOncePerPieceOfTheSecondCollection) {
    LoopCounter counter;
    QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    EXPECT_EQ(nw::CutBetweenMarkers("[", "]", "y [a] [b] [c] [d", 1), "b");
    EXPECT_EQ(counter.turns, 3);
    counter.turns = 0;
    EXPECT_EQ(nw::CutBetweenMarkers("[", "]", "y [a] x", 1), "a");  // no second collection
    EXPECT_EQ(counter.turns, 0);
    QCoreApplication::removePostedEvents(&counter);
}

}  // namespace
