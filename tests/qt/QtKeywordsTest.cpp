// The engine's observable types compile after a Qt header, in a class moc
// reads, and relay into a Qt signal.
// clang-format off
#include <QObject>
#include "concurrency/Published.h"
// clang-format on

#include <gtest/gtest.h>
#include <vector>

namespace lumra {
namespace {

class Relay : public QObject {
    Q_OBJECT
public:
    explicit Relay(const Published<int>& source) {
        m_subscription = source.subscribe([this](const int& value) { Q_EMIT valueSeen(value); });
    }

Q_SIGNALS:
    void valueSeen(int value);

private:
    Subscription m_subscription;
};

TEST(QtKeywordsTest, APublishedValueRelaysThroughAQtSignal) {
    Published<int> source(1);
    Relay relay(source);
    std::vector<int> seen;
    QObject::connect(&relay, &Relay::valueSeen, [&](int value) { seen.push_back(value); });

    source.set(2);
    source.set(3);

    EXPECT_EQ(seen, (std::vector<int>{2, 3}));
}

} // namespace
} // namespace lumra

#include "QtKeywordsTest.moc"
