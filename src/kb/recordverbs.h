#pragma once

#include <QMdiArea>
#include <QMdiSubWindow>

// The procedures the main window sends to its active child window. A record window
// implements them; the Data View answers only AddRec. Every verb defaults to doing nothing,
// so a child implements just the ones it has.
class RecordVerbs
{
public:
    virtual ~RecordVerbs() = default;

    virtual void AddRec() {}
    virtual void EditRec() {}
    virtual void SaveChange() {}
    virtual void CancelChange() {}
    virtual void DeleteRec() {}
    virtual void Undo() {}
    virtual void Redo() {}
    virtual void SelectALL() {}
    virtual void Listen() {}
    virtual void PrintWithWord() {}
    virtual void FormRefresh() {}
    virtual void ComboTableClicked() {}
    virtual void ScanTheRTBAnswer() {}
    // The answer as rich text with the colours shown on screen written into it, for copies
    // that leave the screen; empty when the window shows no colours of its own.
    virtual QString ColouredAnswerRtf() const { return {}; }
};

// The verbs of a child window, or nullptr when it is none or has none.
inline RecordVerbs *recordVerbsOf(QMdiSubWindow *window)
{
    return window ? dynamic_cast<RecordVerbs *>(window->widget()) : nullptr;
}

// The verbs of the area's current child window (the one the user last worked in).
inline RecordVerbs *activeRecordVerbs(const QMdiArea *area)
{
    return area ? recordVerbsOf(area->currentSubWindow()) : nullptr;
}
