#pragma once

#include "winsvc/flatcontrols.h"

#include <QDialog>

#include <memory>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QToolBar;
class RichTextBox;
class RichTextPages;

// Page margins in inches, shared by the preview and printing; every load sets them to 1.
extern int MarginLeft;
extern int MarginRight;
extern int MarginTop;
extern int MarginBottom;

// The print preview: the answer as printed pages, one page at a time at five scales, and
// printing it. The pages come from the same layout the printer gets.
class frmDocPreview : public QDialog
{
    Q_OBJECT

public:
    explicit frmDocPreview(QWidget *owner = nullptr);
    ~frmDocPreview() override;

    // Loads an RTF file and shows the preview modally, or with directPrint prints the
    // document and closes without showing anything.
    static void Preview(QWidget *owner, const QString &rtfPath, bool directPrint);

    // The load: false when the file could not be read (the user was told) or the document
    // was printed directly; true when the preview is ready to show.
    bool Form_Load(const QString &rtfPath, bool directPrint);

    // The print dialog, then the chosen pages on the printer.
    void PrintDoc();
    void PrintAndClose();

    void TB_ButtonClick(const QString &key);
    void cboPageNo_Click();
    void cboScale_Click();
    void PreviousPage();
    void NextPage();
    void ScaleUp();
    void ScaleDown();

    int TotalPages() const { return m_totalPages; }
    int ScaleIndex() const { return m_scaleIndex; }
    int CurrentPage() const;
    // The shown page picture.
    QImage shownPage() const;
    QAction *button(const QString &key) const;

    RichTextBox *RTBPrint = nullptr;
    QToolBar *TB = nullptr;
    QPushButton *cmdClose = nullptr;
    QLineEdit *txtTotalPages = nullptr;
    QComboBox *cboPageNo = nullptr;
    QComboBox *cboScale = nullptr;
    QScrollArea *PicZ = nullptr;

private:
    void AttachFlatControls();
    void InitMargins();
    void FillPageList();
    void FillScaleList();
    void UpdatePageButtons();
    void UpdateScaleButtons();
    void ShowScalePicture();
    void layoutPages();

    FlatControls m_flatControls;
    std::unique_ptr<RichTextPages> m_pages;
    QLabel *m_page = nullptr;
    int m_totalPages = 1;
    int m_scaleIndex = 5;
};
