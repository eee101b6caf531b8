#include "kb/daodatabase.h"

#include "kb/kbstore.h"
#include "platform/base/apperror.h"
#include "platform/base/checkedwrite.h"
#include "platform/db/dbdatabase.h"
#include "platform/db/dbengine.h"
#include "platform/db/dberrors.h"
#include "platform/db/dbrecordset.h"
#include "platform/prompt/prompter.h"
#include "winsvc/setcombowidth.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QTemporaryFile>

namespace {

const QString PasswordTitle = QStringLiteral("Please Input the Password");

// A copy of source written beside target and renamed over it.
void copyFileOver(const QString &source, const QString &target)
{
    const QFileInfo info(target);
    QTemporaryFile temporary(info.absolutePath() + QStringLiteral("/.copy.XXXXXX"));
    if (!temporary.open())
        throw AppException(75, QStringLiteral("Path/File access error"),
                           QStringLiteral("DuplicateDB"));
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw AppException(53, QStringLiteral("File not found"), QStringLiteral("DuplicateDB"));
    while (!in.atEnd()) {
        const QByteArray block = in.read(1 << 16);
        if (temporary.write(block) != block.size())
            throw AppException(61, QStringLiteral("Disk full"), QStringLiteral("DuplicateDB"));
    }
    if (!temporary.flush())
        throw AppException(61, QStringLiteral("Disk full"), QStringLiteral("DuplicateDB"));
    temporary.setPermissions(in.permissions());
    if (!replaceWithFinished(temporary.fileName(), target))
        throw AppException(75, QStringLiteral("Path/File access error"),
                           QStringLiteral("DuplicateDB"));
    temporary.setAutoRemove(false);
}

} // namespace

DAODataBase::DAODataBase() = default;

DAODataBase::~DAODataBase()
{
    m_databaseName.clear();
    m_recordSource.clear();
    if (m_database)
        m_database->Close();
}

void DAODataBase::openHeld(bool exclusive)
{
    if (m_database)
        m_database->Close();
    m_database.reset();
    m_database = db::DBEngine::OpenDatabase(m_databaseName, exclusive, false);
}

void DAODataBase::GetRecordField(const QString &unused, const QString &textField,
                                 const QString &dataField, QListWidget *list)
{
    Q_UNUSED(unused);
    auto database = db::DBEngine::OpenDatabase(m_databaseName);
    auto recordset = database->OpenRecordset(m_recordSource, db::dbOpenSnapshot);
    list->hide();
    list->clear();
    const qint64 count = recordset->RecordCount();
    if (count > 0) {
        recordset->MoveFirst();
        for (qint64 i = 0; i < count; ++i) {
            auto *item = new QListWidgetItem(recordset->value(textField).toString(), list);
            item->setData(Qt::UserRole, recordset->value(dataField).toLongLong());
            recordset->MoveNext();
        }
    }
    recordset->Close();
    database->Close();
    list->show();
}

bool DAODataBase::RepairDB(const QString &file)
{
    try {
        db::DBEngine::RepairDatabase(file);
        return true;
    } catch (const AppException &) {
        return false;
    }
}

bool DAODataBase::CompactDB(const QString &source, const QString &temporary)
{
    // Our own hold on the file would make it "in use".
    if (m_database && m_database->Name() == db::DBEngine::resolvePath(source)) {
        m_database->Close();
        m_database.reset();
    }
    try {
        db::DBEngine::compactInPlace(source, temporary);
        return true;
    } catch (const AppException &) {
        return false;
    }
}

bool DAODataBase::AddTableNameToCombo(QComboBox *combo, const std::optional<QString> &password)
{
    combo->setEnabled(false);
    db::OpenOptions options;
    options.exclusive = password.has_value();
    options.password = password;
    while (true) {
        try {
            auto database = db::DBEngine::openDatabase(m_databaseName, options);
            const QStringList topics = database->tableNames(true);
            combo->clear();
            combo->addItems(topics);
            combo->setEnabled(true);
            combo->setCurrentIndex(topics.isEmpty() ? -1 : 0);
            if (combo->isEditable())
                combo->setEditText(topics.value(0));
            database->Close();
            AdjustComboDropWidth(combo);
            return true;
        } catch (const AppException &error) {
            if (error.number() != db::ErrInvalidPassword) {
                Prompter::instance().messageBox(error.description(), 103, 4,
                                                QStringLiteral("ERROR"));
                return false;
            }
        }
        ++m_passwordTries;
        if (m_passwordTries > 3) {
            Prompter::instance().messageBox(QStringLiteral("You cannot open this database!"), 103,
                                            4, QStringLiteral("ERROR"));
            return false;
        }
        const QString answer = Prompter::instance().messageBox(
            QStringLiteral("This database need a password to open it, do you want to input the "
                           "password now?"),
            102, 1, QStringLiteral("PASSWORD NEEDED"));
        if (answer != QLatin1String("Yes"))
            return false;
        const std::optional<QString> typed =
            Prompter::instance().password(QString(), PasswordTitle);
        // Only a cancelled prompt ends it; an empty password is one more try.
        if (!typed)
            return false;
        m_enteredPassword = *typed;
        options.exclusive = true;
        options.password = *typed;
    }
}

bool DAODataBase::AddTableName(QComboBox *combo)
{
    combo->setEnabled(false);
    try {
        auto database = db::DBEngine::OpenDatabase(m_databaseName);
        const QStringList topics = database->tableNames(true);
        combo->clear();
        for (const QString &topic : topics)
            combo->addItem(topic, topic);
        combo->setEnabled(true);
        combo->setCurrentIndex(topics.isEmpty() ? -1 : 0);
        database->Close();
        return true;
    } catch (const AppException &error) {
        Prompter::instance().messageBox(QString::number(error.number()) + error.description(), 103,
                                        4, QStringLiteral("ERROR"));
        return false;
    }
}

void DAODataBase::DuplicateDB(const QString &source, const QString &target)
{
    Prompter &prompter = Prompter::instance();
    if (!QFileInfo(source).isFile()) {
        prompter.messageBox(
            QStringLiteral("The original file not found, please make sure it exists!"), 105, 4,
            QStringLiteral("FAILED"));
        return;
    }
    if (QFileInfo::exists(target)) {
        const QString answer = prompter.messageBox(
            QStringLiteral("File already existed - ") + target +
                QStringLiteral(", do you want to overwrite it with the new one!"),
            106, 1, QStringLiteral("ARE YOU SURE?"));
        if (answer != QLatin1String("Yes"))
            return;
        copyFileOver(source, target);
        prompter.messageBox(QStringLiteral("Database duplicated!"), 105, 4,
                            QStringLiteral("DUPLICATED"));
        return;
    }
    copyFileOver(source, target);
    prompter.messageBox(QStringLiteral("Database duplicated!"), 104, 4, QStringLiteral("SUCCEED"));
}

long DAODataBase::DuplicateTable(const QString &source, const QString &newName)
{
    try {
        openHeld(true);
        m_database->copyTableStructure(source, newName);
        return 1;
    } catch (const AppException &) {
        return 0;
    }
}

void DAODataBase::DropTable(const QString &name)
{
    openHeld(true);
    m_database->deleteTableDef(name);
}

void DAODataBase::CreateTabF(const QString &name)
{
    if (!m_database || !m_database->isOpen())
        db::raise(db::ErrObjectInvalid);
    m_currentTable = m_database->tableDef(name).name;
}

void DAODataBase::CreateField(const QString &name, int type, int size)
{
    if (!m_database || !m_database->isOpen() || m_currentTable.isEmpty())
        db::raise(db::ErrObjectInvalid);
    db::Field field;
    field.name = name;
    field.type = type;
    field.size = size;
    if (db::declaredTypeFor(type, size).isEmpty())
        db::raise(db::ErrInvalidFieldType);
    m_database->appendField(m_currentTable, field);
}

qint64 DAODataBase::Record_Count(db::Recordset *recordset)
{
    qint64 count = 0;
    try {
        recordset->MoveLast();
        count = recordset->RecordCount();
        recordset->MoveFirst();
    } catch (const AppException &) {
    }
    return count;
}

void DAODataBase::NewDBByTemplate(const QString &file)
{
    if (m_database) {
        m_database->Close();
        m_database.reset();
    }
    // Replacing a file under an open connection would lose its later writes.
    if (db::DBEngine::isOpen(file))
        db::raise(db::ErrFileInUse, file);
    KbStore::createTemplateDatabase(db::DBEngine::resolvePath(file));
    m_databaseName = file;
}

void DAODataBase::NewTopicByTemplate(const QStringList &topics)
{
    for (const QString &topic : topics) {
        if (DuplicateTable(KbStore::TemplateTable, topic) == 0) {
            Prompter::instance().messageBox(QStringLiteral("Creating failed as topic - ") + topic,
                                            105, 4, QStringLiteral("FAILED"));
            return;
        }
    }
    DropTable(KbStore::TemplateTable);
}

QString DAODataBase::PopulateCreateQuery(long kind) const
{
    if (kind != 0 && kind != 1)
        return {};
    const QString crlf = QStringLiteral("\r\n");
    const QString tab = QStringLiteral("\t");
    return QStringLiteral("CREATE ") + QStringLiteral("TABLE [TABLE NAME] (") + crlf +
           QStringLiteral("Field_Name 1 ") + tab + QStringLiteral("[VALUE TYPE,]") + crlf +
           QStringLiteral("Field_Name 2 ") + tab + QStringLiteral("[VALUE TYPE,]") + crlf +
           QStringLiteral("Field_Name 3 ") + tab + QStringLiteral("[VALUE TYPE,]") + crlf +
           QStringLiteral("Field_Name...  ") + tab + QStringLiteral("[VALUE TYPE]") + crlf +
           QStringLiteral(")");
}
