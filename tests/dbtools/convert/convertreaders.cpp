#include "convertreaders.h"

#include <QJsonDocument>
#include <QProcess>
#include <QTest>

namespace {

QJsonDocument runPython(const char *script, const QString &file)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), QString::fromUtf8(script), file});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        qWarning().noquote() << "reader failed:" << python.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput());
}

const char DocxScript[] = R"(
import sys, json, docx
d = docx.Document(sys.argv[1])
out = []
for p in d.paragraphs:
    out.append({"text": p.text,
                "runs": [{"text": r.text, "bold": bool(r.bold), "italic": bool(r.italic)}
                         for r in p.runs]})
print(json.dumps(out))
)";

const char XlsxScript[] = R"(
import sys, json, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
cells = {}
for row in ws.iter_rows():
    for c in row:
        if c.value is not None:
            cells[c.coordinate] = {"value": str(c.value), "type": c.data_type,
                                   "bold": bool(c.font.b)}
print(json.dumps({"cells": cells, "widthA": ws.column_dimensions["A"].width}))
)";

} // namespace

namespace ConvertReaders {

QJsonArray docxParagraphs(const QString &file)
{
    return runPython(DocxScript, file).array();
}

QJsonObject xlsxSheet(const QString &file)
{
    return runPython(XlsxScript, file).object();
}

} // namespace ConvertReaders
