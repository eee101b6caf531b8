#pragma once

#include <QList>
#include <QString>

// A one-sheet workbook of text cells, kept in memory and written whole as a real .xlsx.
// Every value is stored as text, so an entry starting with "=" never becomes a formula.
class XlsxWriterBook
{
public:
    // The longest text one cell holds; longer text continues in the cells to its right.
    static constexpr int MaxCellBytes = 32767;

    // Row and column from 1, as the sheet numbers them.
    void setCell(int row, int column, const QString &text, bool bold = false);
    void setColumnWidth(int column, double width);

    // Replaces the file whole; false with error() set on failure (the old file is kept).
    bool save(const QString &fileName);
    QString error() const { return m_error; }

    // A text split into pieces that each fit a cell, on character boundaries.
    static QList<QByteArray> cellPieces(const QString &text);

private:
    struct Cell
    {
        int row;
        int column;
        QString text;
        bool bold;
    };
    QList<Cell> m_cells;
    QList<QPair<int, double>> m_widths;
    QString m_error;
};
