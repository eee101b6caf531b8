#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

// Reads written documents back with independent readers (python3-docx, python3-openpyxl).
namespace ConvertReaders {

// Paragraphs in order: {"text", "runs": [{"text", "bold", "italic"}]}.
QJsonArray docxParagraphs(const QString &file);
// {"cells": {"A1": {"value", "type", "bold"}}, "widthA": number}; only non-empty cells.
QJsonObject xlsxSheet(const QString &file);

} // namespace ConvertReaders
