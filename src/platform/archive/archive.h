#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// Zip archives and workbooks. The libraries that build them are large and rarely needed, so
// they come with a module that loads the first time one of these is used.
namespace Archive {

struct Entry
{
    QByteArray name; // UTF-8, with '/' between folders
    QByteArray data;
};

// A zip archive of the entries, built in memory; empty with *error set on failure.
QByteArray zip(const QList<Entry> &entries, QString *error);

// True when data is a whole zip archive whose directory agrees with its entries.
bool isZip(const QByteArray &data);

struct Cell
{
    int row; // from 1, as the sheet numbers them
    int column;
    QByteArray text; // UTF-8, short enough for one cell
    bool bold;
};

// Writes a one-sheet workbook of text cells as fileName (in the file system's encoding),
// replacing what is there; false with *error set on failure.
bool writeWorkbook(const QByteArray &fileName, const QList<QPair<int, double>> &columnWidths,
                   const QList<Cell> &cells, QString *error);

} // namespace Archive

// What the module offers; the program reaches it only through the functions above.
extern "C" {
using ArchiveZipFunction = bool (*)(const QList<Archive::Entry> *entries, QByteArray *out,
                                    QString *error);
using ArchiveIsZipFunction = bool (*)(const QByteArray *data);
using ArchiveWorkbookFunction = bool (*)(const QByteArray *fileName,
                                         const QList<QPair<int, double>> *columnWidths,
                                         const QList<Archive::Cell> *cells, QString *error);
}
