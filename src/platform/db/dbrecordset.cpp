#include "platform/db/dbrecordset.h"

#include "platform/db/dbdatabase.h"
#include "platform/db/dberrors.h"
#include "platform/db/dbsql.h"

#include <QtEndian>

#include <sqlite3.h>

#include <algorithm>
#include <numeric>

namespace db {

namespace {

QString columnList(const QList<Field> &fields)
{
    QStringList names;
    for (const Field &field : fields)
        names << quoteIdent(field.name);
    return names.join(QStringLiteral(", "));
}

// Equal stored values: same null-ness, storage class and bytes.
bool sameRow(const QVariantList &a, const QVariantList &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (a[i].isNull() != b[i].isNull())
            return false;
        if (a[i].isNull())
            continue;
        if (a[i].typeId() != b[i].typeId() || a[i] != b[i])
            return false;
    }
    return true;
}

} // namespace

std::shared_ptr<Recordset> Recordset::openTable(std::shared_ptr<Database> database,
                                                const QString &table, int type, bool readOnly)
{
    std::shared_ptr<Recordset> recordset(new Recordset);
    recordset->m_database = std::move(database);
    recordset->m_source = table;
    recordset->m_table = table;
    recordset->m_type = type == dbOpenDefault ? dbOpenTable : type;
    recordset->m_keyed = true;
    recordset->m_readOnly = readOnly || recordset->m_type == dbOpenSnapshot;
    recordset->m_fields = recordset->m_database->fields(table);
    recordset->loadKeys();
    return recordset;
}

std::shared_ptr<Recordset> Recordset::openSql(std::shared_ptr<Database> database,
                                              const QString &sql,
                                              const QList<Parameter> &parameters, int type)
{
    sqlite3 *handle = database->handle();
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt *raw = nullptr;
    const char *tail = nullptr;
    const int rc = sqlite3_prepare_v2(handle, utf8.constData(), int(utf8.size()), &raw, &tail);
    if (rc != SQLITE_OK)
        raiseSqlite(handle, rc, sql);
    if (!raw)
        raise(ErrInvalidStatement);
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> stmt(raw, sqlite3_finalize);
    // Only one statement, and one that reads: a recordset never changes data.
    const QString rest = tail ? QString::fromUtf8(tail).trimmed() : QString();
    if (!rest.isEmpty() && rest != QLatin1String(";"))
        raise(ErrInvalidOperation);
    if (!sqlite3_stmt_readonly(raw) || sqlite3_column_count(raw) == 0)
        raise(ErrInvalidOperation);

    int bound = 0;
    for (const Parameter &parameter : parameters) {
        if (!parameter.value.isValid())
            continue; // a parameter without a value is missing
        int index = 0;
        for (const char *prefix : {":", "@", "$"}) {
            index =
                sqlite3_bind_parameter_index(raw, (prefix + parameter.name).toUtf8().constData());
            if (index > 0)
                break;
        }
        if (index > 0) {
            bindValue(raw, index, parameter.value);
            ++bound;
        }
    }
    if (sqlite3_bind_parameter_count(raw) > bound)
        raise(ErrTooFewParameters, QString::number(sqlite3_bind_parameter_count(raw) - bound));

    std::shared_ptr<Recordset> recordset(new Recordset);
    recordset->m_database = std::move(database);
    recordset->m_source = sql;
    recordset->m_type = type == dbOpenDefault ? dbOpenDynaset : type;
    recordset->m_keyed = false;
    recordset->m_readOnly = true;
    const int columns = sqlite3_column_count(raw);
    for (int i = 0; i < columns; ++i) {
        Field field;
        field.name = QString::fromUtf8(sqlite3_column_name(raw, i));
        field.declaredType = QString::fromUtf8(sqlite3_column_decltype(raw, i));
        field.type = fieldTypeFromDeclared(field.declaredType, &field.size);
        field.ordinalPosition = i;
        recordset->m_fields.append(field);
    }
    while (true) {
        const int step = sqlite3_step(raw);
        if (step == SQLITE_DONE)
            break;
        if (step != SQLITE_ROW)
            raiseSqlite(handle, step, sql);
        QVariantList row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row.append(columnValue(raw, i));
        recordset->m_rows.append(row);
    }
    return recordset;
}

Recordset::~Recordset() = default;

void Recordset::loadKeys()
{
    sqlite3 *handle = m_database->handle();
    m_keys.clear();
    // Asked without an order, SQLite reads the keys from the narrowest index (every index
    // holds them) instead of the table's own pages, which carry the long answers as well.
    Statement keys(handle, QStringLiteral("SELECT rowid FROM %1").arg(quoteIdent(m_table)));
    while (keys.step())
        m_keys.append(keys.int64(0));
    if (!std::is_sorted(m_keys.cbegin(), m_keys.cend()))
        std::sort(m_keys.begin(), m_keys.end());
    m_position = 0;
    m_currentDeleted = false;
    m_cacheKey = -1;
}

bool Recordset::Updatable() const
{
    return m_keyed && !m_readOnly && m_database->Updatable();
}

void Recordset::checkOpen() const
{
    if (!m_open || !m_database->isOpen())
        raise(ErrObjectInvalid);
}

void Recordset::Close()
{
    m_open = false;
    m_keys.clear();
    m_rows.clear();
    m_cache.clear();
    m_cacheKey = -1;
}

void Recordset::Requery()
{
    checkOpen();
    clearEdit();
    if (m_keyed) {
        m_fields = m_database->fields(m_table);
        loadKeys();
        return;
    }
    const auto fresh = openSql(m_database, m_source, {}, m_type);
    m_rows = fresh->m_rows;
    m_position = 0;
    m_currentDeleted = false;
}

qint64 Recordset::RecordCount() const
{
    checkOpen();
    return m_keyed ? m_keys.size() : m_rows.size();
}

// A deleted current record stays current, neither before the first nor after the
// last, until the next move.
bool Recordset::Bof() const
{
    return !m_currentDeleted && (RecordCount() == 0 || m_position < 0);
}

bool Recordset::Eof() const
{
    return !m_currentDeleted && (RecordCount() == 0 || m_position >= RecordCount());
}

void Recordset::clearEdit()
{
    // Every move reads the row again, so changes made elsewhere show.
    m_cacheKey = -1;
    m_editMode = dbEditNone;
    m_buffer.clear();
    m_original.clear();
    m_dirty.clear();
    m_chunked.clear();
}

void Recordset::MoveFirst()
{
    if (RecordCount() == 0)
        raise(ErrNoCurrentRecord);
    clearEdit();
    m_position = 0;
    m_currentDeleted = false;
}

void Recordset::MoveLast()
{
    if (RecordCount() == 0)
        raise(ErrNoCurrentRecord);
    clearEdit();
    m_position = RecordCount() - 1;
    m_currentDeleted = false;
}

void Recordset::MoveNext()
{
    if (Eof())
        raise(ErrNoCurrentRecord);
    clearEdit();
    // After a delete the position already names the following record.
    if (m_currentDeleted)
        m_currentDeleted = false;
    else
        ++m_position;
}

void Recordset::MovePrevious()
{
    if (Bof())
        raise(ErrNoCurrentRecord);
    clearEdit();
    m_currentDeleted = false;
    --m_position;
}

qint64 Recordset::AbsolutePosition() const
{
    if (Bof() || Eof() || m_currentDeleted)
        return -1;
    return m_position;
}

void Recordset::setAbsolutePosition(qint64 position)
{
    if (position < 0 || position >= RecordCount())
        raise(ErrInvalidArgument);
    clearEdit();
    m_position = position;
    m_currentDeleted = false;
}

void Recordset::checkCurrent() const
{
    checkOpen();
    if (m_currentDeleted)
        raise(ErrRecordDeleted);
    if (Bof() || Eof())
        raise(ErrNoCurrentRecord);
}

qint64 Recordset::currentKey() const
{
    if (!m_open || Bof() || Eof() || m_currentDeleted)
        return -1;
    return m_keyed ? m_keys[m_position] : m_position;
}

QByteArray Recordset::bookmarkFor(qint64 key) const
{
    QByteArray bookmark(8, Qt::Uninitialized);
    qToBigEndian(key, bookmark.data());
    return bookmark;
}

QByteArray Recordset::Bookmark() const
{
    checkCurrent();
    return bookmarkFor(currentKey());
}

void Recordset::setBookmark(const QByteArray &bookmark)
{
    checkOpen();
    if (bookmark.size() != 8)
        raise(ErrNotValidBookmark);
    const qint64 key = qFromBigEndian<qint64>(bookmark.constData());
    qint64 position = -1;
    if (m_keyed) {
        const auto it = std::lower_bound(m_keys.cbegin(), m_keys.cend(), key);
        if (it != m_keys.cend() && *it == key)
            position = it - m_keys.cbegin();
    } else if (key >= 0 && key < m_rows.size()) {
        position = key;
    }
    if (position < 0)
        raise(ErrNotValidBookmark);
    clearEdit();
    m_position = position;
    m_currentDeleted = false;
}

const QVariantList &Recordset::currentRow() const
{
    checkCurrent();
    if (!m_keyed)
        return m_rows[m_position];
    const qint64 key = m_keys[m_position];
    if (m_cacheKey != key) {
        Statement row(m_database->handle(), QStringLiteral("SELECT %1 FROM %2 WHERE rowid=?")
                                                .arg(columnList(m_fields), quoteIdent(m_table)));
        row.bind(1, key);
        if (!row.step())
            raise(ErrRecordDeleted);
        m_cache.clear();
        for (int i = 0; i < m_fields.size(); ++i)
            m_cache.append(row.value(i));
        m_cacheKey = key;
    }
    return m_cache;
}

int Recordset::fieldIndex(const QString &name) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    raise(ErrItemNotFound);
}

QVariant Recordset::value(int position) const
{
    checkOpen();
    if (position < 0 || position >= m_fields.size())
        raise(ErrItemNotFound);
    if (m_editMode != dbEditNone)
        return m_buffer[position];
    return currentRow()[position];
}

void Recordset::setValue(int position, const QVariant &value)
{
    checkOpen();
    if (position < 0 || position >= m_fields.size())
        raise(ErrItemNotFound);
    if (m_editMode == dbEditNone)
        raise(ErrUpdateWithoutEdit);
    m_buffer[position] = value;
    m_dirty[position] = true;
}

void Recordset::AddNew()
{
    checkOpen();
    if (!Updatable())
        raise(ErrReadOnly);
    clearEdit();
    for (const Field &field : m_fields) {
        const bool literal = !field.defaultValue.isNull() &&
                             !field.defaultValue.toString().contains(QLatin1Char('('));
        m_buffer.append(literal ? field.defaultValue : QVariant());
    }
    m_dirty.fill(false, m_fields.size());
    m_chunked.fill(false, m_fields.size());
    m_editMode = dbEditAdd;
}

void Recordset::Edit()
{
    checkCurrent();
    if (!Updatable())
        raise(ErrReadOnly);
    const QVariantList row = currentRow();
    clearEdit();
    m_buffer = row;
    m_original = row;
    m_dirty.fill(false, m_fields.size());
    m_chunked.fill(false, m_fields.size());
    m_editMode = dbEditInProgress;
}

void Recordset::CancelUpdate()
{
    checkOpen();
    if (m_editMode == dbEditNone)
        raise(ErrUpdateWithoutEdit);
    clearEdit();
}

void Recordset::Update()
{
    checkOpen();
    if (m_editMode == dbEditNone)
        raise(ErrUpdateWithoutEdit);
    sqlite3 *handle = m_database->handle();
    QStringList names;
    QVariantList values;
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_dirty[i]) {
            names << quoteIdent(m_fields[i].name);
            values << m_buffer[i];
        }
    }
    qint64 key = -1;
    if (m_editMode == dbEditAdd) {
        QString sql = names.isEmpty()
                          ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteIdent(m_table))
                          : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                .arg(quoteIdent(m_table), names.join(QStringLiteral(", ")),
                                     QStringList(names.size(), QStringLiteral("?"))
                                         .join(QStringLiteral(", ")));
        exec(handle, sql, values);
        key = sqlite3_last_insert_rowid(handle);
        const bool atEnd = m_position >= m_keys.size();
        const auto it = std::lower_bound(m_keys.begin(), m_keys.end(), key);
        const qint64 at = it - m_keys.begin();
        m_keys.insert(it, key);
        // The current record stays the same one.
        if (atEnd)
            m_position = m_keys.size();
        else if (m_position >= 0 && at <= m_position)
            ++m_position;
    } else {
        key = m_keys[m_position];
        if (!names.isEmpty()) {
            // The row is written only when it still holds what Edit read: another opener's
            // save in between is refused, not overwritten.
            const bool ownTransaction = sqlite3_get_autocommit(handle) != 0;
            if (ownTransaction)
                exec(handle, QStringLiteral("BEGIN IMMEDIATE"));
            try {
                m_cacheKey = -1;
                if (!sameRow(currentRow(), m_original))
                    raise(ErrDataChanged);
                writeEdit(names, values, key);
                if (ownTransaction)
                    exec(handle, QStringLiteral("COMMIT"));
            } catch (...) {
                m_cacheKey = -1;
                if (ownTransaction)
                    sqlite3_exec(handle, "ROLLBACK", nullptr, nullptr, nullptr);
                throw;
            }
        }
    }
    m_cacheKey = -1;
    m_lastModified = bookmarkFor(key);
    clearEdit();
}

void Recordset::writeEdit(const QStringList &names, QVariantList values, qint64 &key)
{
    sqlite3 *handle = m_database->handle();
    QStringList sets;
    for (const QString &name : names)
        sets << name + QStringLiteral("=?");
    values << key;
    exec(handle,
         QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?")
             .arg(quoteIdent(m_table), sets.join(QStringLiteral(", "))),
         values);
    if (sqlite3_changes(handle) == 0)
        raise(ErrRecordDeleted);
    // A changed key moves the record to its new place.
    const qint64 newKey =
        scalar(handle,
               QStringLiteral("SELECT rowid FROM %1 WHERE rowid=?").arg(quoteIdent(m_table)), {key})
                .isNull()
            ? -1
            : key;
    if (newKey < 0) {
        for (int i = 0; i < m_fields.size(); ++i) {
            if (m_dirty[i] && (m_fields[i].attributes & dbAutoIncrField))
                key = m_buffer[i].toLongLong();
        }
        m_keys.removeAt(m_position);
        const auto it = std::lower_bound(m_keys.begin(), m_keys.end(), key);
        m_position = it - m_keys.begin();
        m_keys.insert(it, key);
    }
}

void Recordset::Delete()
{
    checkCurrent();
    if (!Updatable())
        raise(ErrReadOnly);
    clearEdit();
    const qint64 key = m_keys[m_position];
    exec(m_database->handle(),
         QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(quoteIdent(m_table)), {key});
    m_keys.removeAt(m_position);
    m_currentDeleted = true;
    m_cacheKey = -1;
}

qint64 Recordset::FieldSize(const QString &name) const
{
    const QVariant content = value(name);
    if (content.isNull())
        return 0;
    return content.typeId() == QMetaType::QByteArray ? content.toByteArray().size()
                                                     : content.toString().toUtf8().size();
}

QByteArray Recordset::GetChunk(const QString &name, qint64 offset, qint64 bytes) const
{
    const int index = fieldIndex(name);
    if (offset < 0 || bytes < 0)
        raise(ErrInvalidArgument);
    if (m_keyed && m_editMode == dbEditNone) {
        checkCurrent();
        // Read only the piece asked for, straight from the file.
        sqlite3_blob *blob = nullptr;
        const QByteArray table = m_table.toUtf8();
        const QByteArray column = m_fields[index].name.toUtf8();
        if (sqlite3_blob_open(m_database->handle(), "main", table.constData(), column.constData(),
                              m_keys[m_position], 0, &blob) == SQLITE_OK) {
            const qint64 size = sqlite3_blob_bytes(blob);
            const qint64 length = qBound<qint64>(0, qMin(bytes, size - offset), size);
            QByteArray data(length, Qt::Uninitialized);
            const int rc = length > 0
                               ? sqlite3_blob_read(blob, data.data(), int(length), int(offset))
                               : SQLITE_OK;
            sqlite3_blob_close(blob);
            if (rc != SQLITE_OK)
                raiseSqlite(m_database->handle(), rc);
            return data;
        }
        sqlite3_blob_close(blob);
    }
    const QVariant content = value(index);
    const QByteArray data = content.typeId() == QMetaType::QByteArray ? content.toByteArray()
                                                                      : content.toString().toUtf8();
    return data.mid(offset, bytes);
}

Recordset::ChunkReader::~ChunkReader()
{
    if (m_blob)
        sqlite3_blob_close(m_blob);
}

QByteArray Recordset::ChunkReader::next(qint64 bytes)
{
    const qint64 length = qBound<qint64>(0, bytes, m_size - m_offset);
    if (!m_blob) {
        const QByteArray piece = m_data.mid(m_offset, length);
        m_offset += length;
        return piece;
    }
    QByteArray piece(length, Qt::Uninitialized);
    const int rc = length > 0 ? sqlite3_blob_read(m_blob, piece.data(), int(length), int(m_offset))
                              : SQLITE_OK;
    if (rc != SQLITE_OK)
        raiseSqlite(m_handle, rc);
    m_offset += length;
    return piece;
}

std::unique_ptr<Recordset::ChunkReader> Recordset::readChunks(const QString &name) const
{
    const int index = fieldIndex(name);
    std::unique_ptr<ChunkReader> reader(new ChunkReader);
    if (m_keyed && m_editMode == dbEditNone) {
        checkCurrent();
        const QByteArray table = m_table.toUtf8();
        const QByteArray column = m_fields[index].name.toUtf8();
        sqlite3 *handle = m_database->handle();
        sqlite3_blob *blob = nullptr;
        if (sqlite3_blob_open(handle, "main", table.constData(), column.constData(),
                              m_keys[m_position], 0, &blob) == SQLITE_OK) {
            reader->m_handle = handle;
            reader->m_blob = blob;
            reader->m_size = sqlite3_blob_bytes(blob);
            return reader;
        }
        // A NULL value has no handle: it is read as the empty value below.
    }
    const QVariant content = value(index);
    reader->m_data = content.typeId() == QMetaType::QByteArray ? content.toByteArray()
                                                               : content.toString().toUtf8();
    reader->m_size = reader->m_data.size();
    return reader;
}

void Recordset::AppendChunk(const QString &name, const QByteArray &data)
{
    const int index = fieldIndex(name);
    if (m_editMode == dbEditNone)
        raise(ErrUpdateWithoutEdit);
    // The first piece after Edit or AddNew replaces the old value.
    QByteArray content;
    if (m_chunked[index]) {
        content = m_buffer[index].toByteArray();
        // The buffer lets go of its copy first, so the append grows the bytes in place
        // instead of copying the whole value for every piece.
        m_buffer[index].clear();
    }
    content.append(data);
    m_buffer[index] = QVariant(std::move(content));
    m_chunked[index] = true;
    m_dirty[index] = true;
}

QVariantList Recordset::columnValues(const QString &name) const
{
    checkOpen();
    const int index = fieldIndex(name);
    QVariantList values;
    if (!m_keyed) {
        for (const QVariantList &row : m_rows)
            values.append(row[index]);
        return values;
    }
    // Unordered, the values come from an index that holds the field where there is one (the
    // topics' question index) rather than from the table's pages; key order is restored here.
    Statement all(m_database->handle(),
                  QStringLiteral("SELECT rowid, %1 FROM %2")
                      .arg(quoteIdent(m_fields[index].name), quoteIdent(m_table)));
    QVector<qint64> rowids;
    QVariantList read;
    rowids.reserve(m_keys.size());
    read.reserve(m_keys.size());
    while (all.step()) {
        rowids.append(all.int64(0));
        read.append(all.value(1));
    }
    QVector<qsizetype> order(rowids.size());
    std::iota(order.begin(), order.end(), 0);
    if (!std::is_sorted(rowids.cbegin(), rowids.cend()))
        std::sort(order.begin(), order.end(),
                  [&rowids](qsizetype a, qsizetype b) { return rowids[a] < rowids[b]; });
    // A key whose row went meanwhile reads as null; a row added meanwhile is not listed.
    values.reserve(m_keys.size());
    qsizetype next = 0;
    for (const qint64 key : m_keys) {
        while (next < order.size() && rowids[order[next]] < key)
            ++next;
        if (next < order.size() && rowids[order[next]] == key)
            values.append(std::move(read[order[next]]));
        else
            values.append(QVariant());
    }
    return values;
}

} // namespace db
