#pragma once

#include "platform/db/dbschema.h"

#include <QByteArray>
#include <QList>
#include <QVariant>
#include <QVector>

#include <memory>

struct sqlite3;
struct sqlite3_blob;

namespace db {

class Database;

// Records of a table or of a query, with a current record.
//
// A table recordset holds the list of row keys in key order and reads one row at a
// time by its key; no statement stays open between calls. A query's rows are read
// once and kept; they cannot be changed.
class Recordset
{
public:
    static std::shared_ptr<Recordset> openTable(std::shared_ptr<Database> database,
                                                const QString &table, int type, bool readOnly);
    // One read-only statement; parameters bind by name (:name, @name or $name).
    static std::shared_ptr<Recordset> openSql(std::shared_ptr<Database> database,
                                              const QString &sql,
                                              const QList<Parameter> &parameters, int type);
    ~Recordset();

    int Type() const { return m_type; }
    QString Name() const { return m_source; } // the table name or the SQL text
    bool Updatable() const;
    std::shared_ptr<Database> database() const { return m_database; }
    bool isOpen() const { return m_open; }
    void Close();
    void Requery();

    qint64 RecordCount() const;
    bool Bof() const;
    bool Eof() const;
    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();
    // 0-based position of the current record, -1 when there is none.
    qint64 AbsolutePosition() const;
    void setAbsolutePosition(qint64 position);
    QByteArray Bookmark() const;
    void setBookmark(const QByteArray &bookmark);
    QByteArray LastModified() const { return m_lastModified; }

    int EditMode() const { return m_editMode; }
    void AddNew();
    void Edit();
    void Update();
    void CancelUpdate();
    void Delete();

    QList<Field> Fields() const { return m_fields; }
    int fieldCount() const { return int(m_fields.size()); }
    int fieldIndex(const QString &name) const; // 3265 when absent; ignores case
    QVariant value(int position) const;
    QVariant value(const QString &name) const { return value(fieldIndex(name)); }
    void setValue(int position, const QVariant &value);
    void setValue(const QString &name, const QVariant &value) { setValue(fieldIndex(name), value); }

    // Long values in pieces.
    qint64 FieldSize(const QString &name) const;
    QByteArray GetChunk(const QString &name, qint64 offset, qint64 bytes) const;
    void AppendChunk(const QString &name, const QByteArray &data);

    // Reads a long value of the current record from its start, piece after piece, through
    // one open handle: each piece costs its own length, not that of the bytes before it.
    class ChunkReader
    {
    public:
        ~ChunkReader();
        qint64 size() const { return m_size; }
        // The next piece of at most `bytes` bytes (empty at the end); raises on a failed read.
        QByteArray next(qint64 bytes);

    private:
        friend class Recordset;
        ChunkReader() = default;
        sqlite3 *m_handle = nullptr;
        sqlite3_blob *m_blob = nullptr;
        QByteArray m_data; // the value itself, where it is not read from the file
        qint64 m_size = 0;
        qint64 m_offset = 0;
    };
    std::unique_ptr<ChunkReader> readChunks(const QString &name) const;

    // One field of every record, in the recordset's order (for lists that must match it).
    QVariantList columnValues(const QString &name) const;
    // The key (row number) of each record and of the current one; -1 when none.
    QVector<qint64> keys() const { return m_keys; }
    qint64 currentKey() const;
    bool isKeyed() const { return m_keyed; }

private:
    Recordset() = default;
    void checkOpen() const;
    void checkCurrent() const;
    void clearEdit();
    void writeEdit(const QStringList &names, QVariantList values, qint64 &key);
    void loadKeys();
    const QVariantList &currentRow() const;
    QByteArray bookmarkFor(qint64 key) const;

    std::shared_ptr<Database> m_database;
    QString m_source;
    QString m_table; // keyed recordsets
    int m_type = dbOpenDynaset;
    bool m_keyed = false;
    bool m_readOnly = true;
    bool m_open = true;
    QList<Field> m_fields;

    QVector<qint64> m_keys;
    QList<QVariantList> m_rows; // query recordsets
    qint64 m_position = 0;      // -1 before the first record, count after the last
    bool m_currentDeleted = false;

    mutable QVariantList m_cache;
    mutable qint64 m_cacheKey = -1;

    int m_editMode = dbEditNone;
    QVariantList m_buffer;
    QVariantList m_original; // the row as Edit read it
    QVector<bool> m_dirty;
    QVector<bool> m_chunked;
    QByteArray m_lastModified;
};

} // namespace db
