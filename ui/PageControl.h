#pragma once

#include <QTabBar>
#include <QTabWidget>

#include <functional>

// A page control whose page changes by the operator (tab click, arrow keys on
// the tabs, Ctrl+Tab, Ctrl+PgUp/PgDn) first ask OnChangingEx, which may refuse.
// Changes made by the program (setCurrentIndex) are not asked about.
class TPageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent = nullptr);

    // newIndex: the page about to become active; set allowChange false to keep the current one.
    std::function<void(int newIndex, bool& allowChange)> OnChangingEx;

    // Asks OnChangingEx about a change to newIndex; true when it may go ahead.
    bool MayChangeTo(int newIndex);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// The tab row of a TPageControl: it asks the control before every change it makes.
class TPageTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit TPageTabBar(TPageControl* control);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // The visible, enabled tab step tabs away from the current one (-1: none).
    int Neighbour(int step) const;

    TPageControl* control_;
};
