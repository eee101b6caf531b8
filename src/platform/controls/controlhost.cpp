#include "platform/controls/controlhost.h"

#include "platform/controls/controlids.h"
#include "platform/controls/controlregistry.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QWidget>

namespace {

struct KnownClass
{
    const char *library;
    const char *progId;
    const char *classId;
    const char *dispatchId;
};

// The ids the program's forms were made with; a library must serve exactly these.
const KnownClass KnownClasses[] = {
    {ControlIds::Label3D::Library, ControlIds::Label3D::ProgId, ControlIds::Label3D::ClassId,
     ControlIds::Label3D::DispatchId},
    {ControlIds::Panel::Library, ControlIds::Panel::ProgId, ControlIds::Panel::ClassId,
     ControlIds::Panel::DispatchId},
};

const KnownClass *knownByProgId(const QString &progId)
{
    for (const KnownClass &known : KnownClasses) {
        if (progId.compare(QLatin1String(known.progId), Qt::CaseInsensitive) == 0)
            return &known;
    }
    return nullptr;
}

const KnownClass *knownByLibrary(const QString &library)
{
    for (const KnownClass &known : KnownClasses) {
        if (library.compare(QLatin1String(known.library), Qt::CaseInsensitive) == 0)
            return &known;
    }
    return nullptr;
}

bool sameId(const QString &a, const char *b)
{
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

bool sameFile(const QString &a, const QString &b)
{
    return QFileInfo(a).canonicalFilePath() == QFileInfo(b).canonicalFilePath();
}

QString missingMessage(const QString &library, const QString &file)
{
    return QStringLiteral("The control library \"%1\" is missing: %2 was not found.")
        .arg(library, QDir::toNativeSeparators(file));
}

QString notRegisteredMessage(const QString &progId, const QString &library)
{
    if (library.isEmpty())
        return QStringLiteral("The control \"%1\" is not registered.").arg(progId);
    return QStringLiteral("The control \"%1\" is not registered: its library \"%2\" is missing "
                          "or was never registered.")
        .arg(progId, library);
}

} // namespace

ControlHost &ControlHost::instance()
{
    static ControlHost host;
    return host;
}

ControlHost::ControlHost() = default;

ControlHost::~ControlHost()
{
    // Libraries stay mapped: controls made from them may still be alive.
    for (const Loaded &loaded : std::as_const(m_loaded))
        delete loaded.library;
}

QString ControlHost::libraryFolder() const
{
    if (!m_folder.isEmpty())
        return m_folder;
    return QCoreApplication::applicationDirPath();
}

void ControlHost::setLibraryFolder(const QString &folder)
{
    m_folder = folder;
}

QString ControlHost::libraryFile(const QString &library) const
{
    return QDir(libraryFolder()).filePath(QStringLiteral("lib%1.so").arg(library));
}

QStringList ControlHost::libraries()
{
    QStringList names;
    for (const KnownClass &known : KnownClasses)
        names.append(QLatin1String(known.library));
    return names;
}

QString ControlHost::progIdOf(const QString &library)
{
    const KnownClass *known = knownByLibrary(library);
    return known ? QLatin1String(known->progId) : QString();
}

QString ControlHost::registerControls()
{
    const ControlRegistry registry;
    QStringList problems;
    for (const QString &library : libraries()) {
        const auto entry = registry.lookup(progIdOf(library));
        const QString beside = libraryFile(library);
        const bool registered = entry && QFileInfo::exists(entry->libraryPath);
        // The program's own copy wins over one registered from elsewhere.
        if (registered && (!QFileInfo::exists(beside) || sameFile(entry->libraryPath, beside)))
            continue;
        if (!QFileInfo::exists(beside)) {
            problems.append(missingMessage(library, beside));
            continue;
        }
        const QString error = registerLibrary(library);
        if (!error.isEmpty())
            problems.append(error);
    }
    if (!problems.isEmpty()) {
        m_lastError = problems.join(QLatin1Char('\n'));
        return m_lastError;
    }
    return checkControls();
}

QString ControlHost::checkControls()
{
    QStringList problems;
    for (const QString &library : libraries()) {
        const QString error = checkLibrary(library);
        if (!error.isEmpty())
            problems.append(error);
    }
    m_lastError = problems.join(QLatin1Char('\n'));
    return m_lastError;
}

QString ControlHost::checkLibrary(const QString &library)
{
    const QString progId = progIdOf(library);
    const auto entry = ControlRegistry().lookup(progId);
    if (!entry)
        return notRegisteredMessage(progId, library);
    if (!QFileInfo::exists(entry->libraryPath))
        return missingMessage(library, entry->libraryPath);
    QString error;
    if (factory(progId, &error) == nullptr)
        return error;
    return {};
}

QString ControlHost::registerLibrary(const QString &library)
{
    QString error;
    const Loaded *loaded = load(library, libraryFile(library), &error);
    if (loaded == nullptr)
        return error;
    if (loaded->registerServer() != ControlAbi::Ok) {
        return QStringLiteral("The control library \"%1\" could not register itself in %2.")
            .arg(library, QDir::toNativeSeparators(ControlRegistry().fileName()));
    }
    return {};
}

QString ControlHost::unregisterLibrary(const QString &library)
{
    const auto entry = ControlRegistry().lookup(progIdOf(library));
    const QString path = entry ? entry->libraryPath : libraryFile(library);
    QString error;
    const Loaded *loaded = load(library, path, &error);
    if (loaded == nullptr)
        return error;
    if (loaded->unregisterServer() != ControlAbi::Ok) {
        return QStringLiteral("The control library \"%1\" could not remove its registration "
                              "from %2.")
            .arg(library, QDir::toNativeSeparators(ControlRegistry().fileName()));
    }
    return {};
}

QWidget *ControlHost::create(const QString &progId, const QVariantMap &bag, QWidget *parent)
{
    return createControl(progId, &bag, parent);
}

QWidget *ControlHost::createNew(const QString &progId, QWidget *parent)
{
    return createControl(progId, nullptr, parent);
}

QVariantMap ControlHost::save(const QWidget *control) const
{
    const auto *persist = qobject_cast<const IControl *>(control);
    if (persist == nullptr)
        return {};
    const QFont ambient =
        control->parentWidget() ? control->parentWidget()->font() : QApplication::font();
    return persist->writeProperties(ambient);
}

bool ControlHost::canUnloadNow(const QString &library)
{
    const auto entry = ControlRegistry().lookup(progIdOf(library));
    const QString path = entry ? entry->libraryPath : libraryFile(library);
    const auto found = m_loaded.constFind(QFileInfo(path).absoluteFilePath());
    if (found == m_loaded.constEnd())
        return true; // never loaded, nothing to keep
    return found->canUnloadNow() == ControlAbi::Ok;
}

bool ControlHost::lockServer(const QString &progId, bool lock)
{
    QString error;
    IControlClassFactory *classObject = factory(progId, &error);
    if (classObject == nullptr) {
        m_lastError = error;
        return false;
    }
    classObject->lockServer(lock);
    return true;
}

const ControlHost::Loaded *ControlHost::load(const QString &library, const QString &path,
                                             QString *error)
{
    const QString key = QFileInfo(path).absoluteFilePath();
    const auto found = m_loaded.constFind(key);
    if (found != m_loaded.constEnd())
        return &found.value();
    if (!QFileInfo::exists(key)) {
        *error = missingMessage(library, key);
        return nullptr;
    }
    auto *file = new QLibrary(key);
    if (!file->load()) {
        *error = QStringLiteral("The control library \"%1\" could not be loaded: %2")
                     .arg(library, file->errorString());
        delete file;
        return nullptr;
    }
    Loaded loaded;
    loaded.library = file;
    loaded.registerServer =
        reinterpret_cast<ControlAbi::RegisterServerFn>(file->resolve("DllRegisterServer"));
    loaded.unregisterServer =
        reinterpret_cast<ControlAbi::UnregisterServerFn>(file->resolve("DllUnregisterServer"));
    loaded.getClassObject =
        reinterpret_cast<ControlAbi::GetClassObjectFn>(file->resolve("DllGetClassObject"));
    loaded.canUnloadNow =
        reinterpret_cast<ControlAbi::CanUnloadNowFn>(file->resolve("DllCanUnloadNow"));
    if (!loaded.registerServer || !loaded.unregisterServer || !loaded.getClassObject ||
        !loaded.canUnloadNow) {
        *error = QStringLiteral("The control library \"%1\" (%2) is not a control library: it "
                                "lacks the registration entry points.")
                     .arg(library, QDir::toNativeSeparators(key));
        // Left loaded: unloading a library that may have run code is not worth the risk.
        m_loaded.insert(key, Loaded{file, nullptr, nullptr, nullptr, nullptr});
        return nullptr;
    }
    return &m_loaded.insert(key, loaded).value();
}

IControlClassFactory *ControlHost::factory(const QString &progId, QString *error)
{
    const KnownClass *known = knownByProgId(progId);
    const QString library = known ? QLatin1String(known->library) : QString();
    const auto entry = ControlRegistry().lookup(progId);
    if (!entry) {
        *error = notRegisteredMessage(progId, library);
        return nullptr;
    }
    const QString libraryName = library.isEmpty() ? entry->libraryName : library;
    if (known && (!sameId(entry->classId, known->classId) ||
                  !sameId(entry->dispatchId, known->dispatchId))) {
        *error = QStringLiteral("The control \"%1\" is registered with other identifiers than "
                                "this program uses: its library \"%2\" does not match.")
                     .arg(progId, libraryName);
        return nullptr;
    }
    const auto found = m_loaded.constFind(QFileInfo(entry->libraryPath).absoluteFilePath());
    const Loaded *loaded = found != m_loaded.constEnd()
                               ? &found.value()
                               : load(libraryName, entry->libraryPath, error);
    if (loaded == nullptr)
        return nullptr;
    if (loaded->getClassObject == nullptr) {
        *error = QStringLiteral("The control library \"%1\" (%2) is not a control library.")
                     .arg(libraryName, QDir::toNativeSeparators(entry->libraryPath));
        return nullptr;
    }
    void *object = nullptr;
    const QByteArray classId = entry->classId.toLatin1();
    if (loaded->getClassObject(classId.constData(), ControlAbi::ClassFactoryId, &object) !=
            ControlAbi::Ok ||
        object == nullptr) {
        *error = QStringLiteral("The control library \"%1\" does not serve the control \"%2\".")
                     .arg(libraryName, progId);
        return nullptr;
    }
    return static_cast<IControlClassFactory *>(object);
}

QWidget *ControlHost::createControl(const QString &progId, const QVariantMap *bag, QWidget *parent)
{
    m_lastError.clear();
    QString error;
    IControlClassFactory *classObject = factory(progId, &error);
    if (classObject == nullptr) {
        m_lastError = error;
        return nullptr;
    }
    const KnownClass *known = knownByProgId(progId);
    QByteArray dispatchId;
    if (known)
        dispatchId = known->dispatchId;
    else if (const auto entry = ControlRegistry().lookup(progId))
        dispatchId = entry->dispatchId.toLatin1();
    QWidget *control = classObject->createInstance(parent, dispatchId.constData());
    auto *persist = qobject_cast<IControl *>(control);
    if (persist == nullptr) {
        delete control;
        m_lastError = QStringLiteral("The control \"%1\" could not be created.").arg(progId);
        return nullptr;
    }
    const QFont ambient = parent ? parent->font() : QApplication::font();
    if (bag)
        m_lastError = persist->readProperties(*bag, ambient);
    else
        persist->initProperties(ambient);
    return control;
}
