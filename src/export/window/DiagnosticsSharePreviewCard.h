// The share preview card of a finished report, one title/value line of it,
// and one line of the window's "Included" list. They show only what they are
// given and start no work. Main thread.
#pragma once

#include "export/report/DiagnosticsExportReport.h"
#include "qt/CardFrame.h"

#include <QDateTime>
#include <QLocale>
#include <QWidget>

class QLabel;

namespace lumra {

class CapsuleBadge;

class DiagnosticsCardMetric final : public QWidget {
public:
    DiagnosticsCardMetric(const QString& title, const QString& value, QWidget* parent = nullptr);
    QString title() const;
    QString value() const { return m_value; }
    QLabel* valueLabel() const { return m_valueLabel; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitValue();

    QString m_value;
    QLabel* m_titleLabel;
    QLabel* m_valueLabel;
};

class DiagnosticsIncludedRow final : public QWidget {
public:
    explicit DiagnosticsIncludedRow(const QString& text, QWidget* parent = nullptr);
};

class DiagnosticsSharePreviewCard final : public CardFrame {
public:
    explicit DiagnosticsSharePreviewCard(const DiagnosticsExportReport& report,
                                         QWidget* parent = nullptr);

    CapsuleBadge* capsule() const { return m_capsule; }
    QLabel* updatedLabel() const { return m_updated; }

private:
    CapsuleBadge* m_capsule;
    QLabel* m_updated;
};

// The medium date and time of the locale ("Mar 1, 2026, 9:05:07 AM" in US
// English), in the time zone of dateTime.
QString mediumDateTimeText(const QDateTime& dateTime, const QLocale& locale = QLocale());

} // namespace lumra
