// The Channel Scan window's content: starts and cancels the shared monitor's
// scan and shows its progress and latest result (cards, sentence, band
// rows). It keeps no state of its own beyond the widgets showing the last
// refresh. Main thread.
#pragma once

#include "shell/services/Engine.h"
#include "windows/channelscan/viewmodel/ChannelScanWindowModel.h"

#include <QWidget>
#include <memory>
#include <vector>

class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace lumra {

class CardFrame;
class DeferredRefresh;
class ProgressBar;
class KitButton;

class ChannelScanWindowView final : public QWidget {
public:
    // headerContentSpacing: points between the header and the content.
    ChannelScanWindowView(const Engine& engine, double headerContentSpacing,
                          QWidget* parent = nullptr);
    ~ChannelScanWindowView() override;

    // The state shown now; the view redraws it after each change of the monitor.
    ChannelScanWindowModel currentModel() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct SelectionCard;

    void refresh();
    void runButtonAction();
    QWidget* buildHeader();
    QWidget* buildEmptyBlock();
    QWidget* buildResultBlock();
    QWidget* buildCongestionPanel();
    SelectionCard* buildCard(const ChannelScanCard& model);
    void applyCard(SelectionCard& card, const ChannelScanCard& model);
    void rebuildRows(const ChannelScanWindowModel& model);

    const Engine m_engine;
    double m_headerContentSpacing;

    QScrollArea* m_scroll = nullptr;
    KitButton* m_headerButton = nullptr;
    QWidget* m_emptyBlock = nullptr;
    ProgressBar* m_emptyProgress = nullptr;
    KitButton* m_emptyButton = nullptr;
    QWidget* m_resultBlock = nullptr;
    ProgressBar* m_resultProgress = nullptr;
    QLabel* m_networksSeenValue = nullptr;
    QLabel* m_passesValue = nullptr;
    std::unique_ptr<SelectionCard> m_currentCard;
    std::unique_ptr<SelectionCard> m_recommendedCard;
    QLabel* m_sentence = nullptr;
    QLabel* m_noChannels = nullptr;
    QWidget* m_rowsBox = nullptr;
    QVBoxLayout* m_rowsLayout = nullptr;
    std::vector<ChannelScanRow> m_shownRows;
    DeferredRefresh* m_refresh = nullptr;
};

} // namespace lumra
