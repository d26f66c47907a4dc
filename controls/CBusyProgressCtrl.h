// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QColor>
#include <QPixmap>
#include <QRect>
#include <QWidget>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class QPainter;

// A bar of equal blocks that shows activity of unknown length or a plain proportion.
//
// Busy mode (1): one lit block (fill 1) or a lit stretch growing from the left (fill 2) moves by
// itself, back and forth (type 1), looping forward (type 2) or looping backward (type 4). Progress
// mode (2): the blocks light up in proportion to the position within [lower, upper].
//
// The motion comes from an animation thread of the control's own, started by Start() and stopped
// by End(); it advances the position once per interval and asks for a repaint through a queued
// call, so painting always happens on the widget's thread. Start() and End() may be called from
// any thread; End() returns only after the animation thread has finished. The owner calls End()
// before destroying the control (the destructor does it too).
//
// Geometry: Recalc() lays the blocks out across the bar rectangle (the client rectangle unless set
// by a resize). A resize only remembers the new rectangle; the owner calls Recalc() after it.
class CBusyProgressCtrl : public QWidget
{
    Q_OBJECT

public:
    enum { ModeBusy = 1, ModeProgress = 2 };
    enum { BusyTypeBackAndForth = 1, BusyTypeLoopForward = 2, BusyTypeLoopBackward = 4 };
    enum { BusyFillBlock = 1, BusyFillStretch = 2 };

    explicit CBusyProgressCtrl(int nNumSteps = 10, int nCurPos = 0, QWidget* pParent = nullptr);
    ~CBusyProgressCtrl() override;

    // Places the control at `rect` in `pParentWnd`, names it `nID` and computes the geometry.
    virtual bool Create(const QRect& rect, QWidget* pParentWnd, int nID);

    // Lays the blocks out across the bar rectangle: block width = (bar width - gap x blocks) / blocks.
    void Recalc();
    // Busy mode: back to the start of the current type (the last position for type 4). Else position 0.
    void Reset();
    // One tick: in busy mode turn at the ends as the type says, then move by the step; repaint.
    void StepIt();
    // Busy mode only: (re)starts the animation thread.
    void Start();
    // Stops the animation thread and waits for it; the bar keeps showing its last frame.
    void End();
    // True while the animation thread animates.
    bool IsRunning() const { return m_bRunning.load(); }

    void SetBusyType(int nType);
    void SetBusyFill(int nFill);
    void SetSpeed(int nMilliseconds) { m_nSpeed.store(nMilliseconds); }
    void SetRange(int nLower, int nUpper);
    void SetIBPad(int nPixels) { m_nIBPad = nPixels; }
    void SetNumSteps(int nCount) { m_nNumSteps.store(nCount); }
    void SetGranularity(int nCount);

    QSize sizeHint() const override;

public slots:
    // The control's messages. Each may be queued from another thread with QMetaObject::invokeMethod.
    void OnSetNumSteps(int nCount);
    void OnSetCurPos(int nPos);
    void OnSetIBPad(int nPixels);
    void OnSetSpeed(int nMilliseconds);
    void OnSetRange(int nLower, int nUpper);
    // Ends the animation; then 1 or 2 becomes the mode (2 also makes the step +1), others are ignored.
    void OnSetMode(int nMode);
    void OnStartBusy();
    void OnEndBusy();
    void OnStepIt();
    void OnSetBusyType(int nType);
    void OnSetBusyFill(int nFill);
    void OnSetGranularity(int nCount);
    void OnSetColBkg(const QColor& color);
    void OnSetColBFace(const QColor& color);
    void OnSetColBEdge(const QColor& color);
    void OnSetColBFaceHi(const QColor& color);
    void OnSetColBEdgeHi(const QColor& color);
    void OnRecalc();
    void OnReset();
    // While on, the background follows the palette's button colour.
    void OnUseSysCol(bool bUse);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

    void OnPaint();
    void OnSize(const QSize& size);
    void OnSysColorChange();

    virtual void DrawBackground(QPainter& painter, const QRect& rect);
    // An unlit block: edge colour outline, face colour fill.
    virtual void DrawBlock(QPainter& painter, const QRect& rect);
    virtual void DrawHiliteBlock(QPainter& painter, const QRect& rect);
    // A lit stretch `nWidth` pixels wide, one pixel inside the block's left, top and bottom edges.
    virtual void DrawPartialBlock(QPainter& painter, const QRect& rect, int nWidth);

private:
    void DrawBlocks(QPainter& painter);
    // The positions one round of the busy animation runs over: blocks for fill 1, fill positions for fill 2.
    int NumPositions() const;
    void Repaint();
    // Lowers the running flag and waits for the animation thread to end. Needs m_threadMutex.
    void StopThread();
    // The animation thread: ticks once per interval while the running flag is up. Returns 0, or -1
    // when started without a control.
    static int thrdBusy(CBusyProgressCtrl* pCtrl);

    // Read by the animation thread while the widget's thread may change them.
    std::atomic<int> m_nNumSteps;
    std::atomic<int> m_nStep {1};
    std::atomic<int> m_nPos;
    std::atomic<int> m_nSpeed {100};
    std::atomic<int> m_nMode {ModeBusy};
    std::atomic<int> m_nLower {0};
    std::atomic<int> m_nUpper {100};
    std::atomic<int> m_nBusyType {BusyTypeBackAndForth};
    std::atomic<int> m_nBusyFill {BusyFillBlock};
    std::atomic<int> m_nGranularity {5};
    std::atomic<int> m_nNumFillPositions;
    std::atomic<bool> m_bRunning {false};

    // Owned by the widget's thread.
    QRect m_rectBar;
    int m_nIBPad = 1;
    double m_dBlockHeight = 0.0;
    double m_dBlockWidth = 0.0;
    bool m_bUseSysCol = true;
    QColor m_colBkg;
    QColor m_colBlockFace {160, 190, 220};
    QColor m_colBlockEdge {50, 90, 135};
    QColor m_colBlockFaceHi {190, 220, 255};
    QColor m_colBlockEdgeHi {50, 90, 135};
    QPixmap m_pixmapBuffer;

    // The animation thread and its handshake. m_threadMutex keeps Start() and End() from two
    // threads apart; m_waitMutex and m_wake let the thread sleep an interval and let End() wake it
    // and wait for its end.
    std::mutex m_threadMutex;
    std::thread m_thread;
    std::mutex m_waitMutex;
    std::condition_variable m_wake;
    bool m_bThreadDone = true;
};
