// The module behind Archive: everything here that calls libzip or libxlsxwriter.
#include "platform/archive/archive.h"

#include <xlsxwriter.h>
#include <zip.h>

#include <memory>

#define ARCHIVE_EXPORT extern "C" Q_DECL_EXPORT

namespace {

struct ZipDeleter
{
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
struct SourceDeleter
{
    void operator()(zip_source_t *source) const { zip_source_free(source); }
};

} // namespace

ARCHIVE_EXPORT bool marluxArchiveZip(const QList<Archive::Entry> *entries, QByteArray *out,
                                     QString *error)
{
    zip_error_t zipError;
    zip_error_init(&zipError);
    std::unique_ptr<zip_source_t, SourceDeleter> buffer(
        zip_source_buffer_create(nullptr, 0, 0, &zipError));
    if (!buffer) {
        *error = QString::fromUtf8(zip_error_strerror(&zipError));
        zip_error_fini(&zipError);
        return false;
    }
    std::unique_ptr<zip_t, ZipDeleter> zip(
        zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &zipError));
    if (!zip) {
        *error = QString::fromUtf8(zip_error_strerror(&zipError));
        zip_error_fini(&zipError);
        return false;
    }
    zip_error_fini(&zipError);
    // The archive must not free the buffer when it closes: its bytes are read afterwards.
    zip_source_keep(buffer.get());

    for (const Archive::Entry &entry : *entries) {
        zip_source_t *source = zip_source_buffer(zip.get(), entry.data.constData(),
                                                 zip_uint64_t(entry.data.size()), 0);
        if (!source ||
            zip_file_add(zip.get(), entry.name.constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
            if (source)
                zip_source_free(source);
            *error = QString::fromUtf8(zip_strerror(zip.get()));
            return false;
        }
    }
    if (zip_close(zip.get()) < 0) {
        *error = QString::fromUtf8(zip_strerror(zip.get()));
        return false;
    }
    zip.release(); // closed and freed by zip_close

    zip_stat_t stat;
    if (zip_source_stat(buffer.get(), &stat) < 0 || !(stat.valid & ZIP_STAT_SIZE) ||
        zip_source_open(buffer.get()) < 0) {
        *error = QStringLiteral("The archive could not be read back.");
        return false;
    }
    out->resize(qsizetype(stat.size));
    const zip_int64_t read = zip_source_read(buffer.get(), out->data(), stat.size);
    zip_source_close(buffer.get());
    if (read != zip_int64_t(stat.size)) {
        out->clear();
        *error = QStringLiteral("The archive could not be read back.");
        return false;
    }
    return true;
}

ARCHIVE_EXPORT bool marluxArchiveIsZip(const QByteArray *data)
{
    if (data->isEmpty())
        return false;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source =
        zip_source_buffer_create(data->constData(), zip_uint64_t(data->size()), 0, &error);
    if (!source) {
        zip_error_fini(&error);
        return false;
    }
    zip_t *archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    zip_error_fini(&error);
    if (!archive) {
        zip_source_free(source);
        return false;
    }
    zip_discard(archive);
    return true;
}

ARCHIVE_EXPORT bool marluxArchiveWorkbook(const QByteArray *fileName,
                                          const QList<QPair<int, double>> *columnWidths,
                                          const QList<Archive::Cell> *cells, QString *error)
{
    lxw_workbook *workbook = workbook_new(fileName->constData());
    if (!workbook) {
        *error = QStringLiteral("The workbook could not be created.");
        return false;
    }
    lxw_worksheet *sheet = workbook_add_worksheet(workbook, nullptr);
    lxw_format *boldFormat = workbook_add_format(workbook);
    format_set_bold(boldFormat);

    lxw_error result = sheet ? LXW_NO_ERROR : LXW_ERROR_MEMORY_MALLOC_FAILED;
    for (const auto &[column, width] : *columnWidths) {
        if (result != LXW_NO_ERROR)
            break;
        result = worksheet_set_column(sheet, lxw_col_t(column - 1), lxw_col_t(column - 1), width,
                                      nullptr);
    }
    for (const Archive::Cell &cell : *cells) {
        if (result != LXW_NO_ERROR)
            break;
        result = worksheet_write_string(sheet, lxw_row_t(cell.row - 1), lxw_col_t(cell.column - 1),
                                        cell.text.constData(), cell.bold ? boldFormat : nullptr);
    }
    const lxw_error closed = workbook_close(workbook);
    if (result == LXW_NO_ERROR)
        result = closed;
    if (result != LXW_NO_ERROR) {
        *error = QString::fromUtf8(lxw_strerror(result));
        return false;
    }
    return true;
}
