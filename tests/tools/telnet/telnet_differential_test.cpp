#include "TelnetVtermOracle.h"

#include "testsupport.h"
#include "tools/telnet/Telnet.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

namespace {

QByteArray operator""_b(const char *text, size_t size)
{
    return QByteArray(text, qsizetype(size));
}

QByteArray repeated(const QByteArray &piece, int count)
{
    return piece.repeated(count);
}

QByteArray fullScreenOfText()
{
    QByteArray out;
    for (int r = 0; r < 25; ++r) {
        out += QByteArray("row ") + QByteArray::number(r) + " " + QByteArray(60, char('a' + r));
        if (r < 24)
            out += "\r\n";
    }
    return out;
}

// One stream for every control and sequence the screen interprets.
QList<std::pair<const char *, QByteArray>> scriptedStreams()
{
    const QByteArray text = fullScreenOfText();
    return {
        {"plain text", "hello, world"_b},
        {"cr lf", "one\r\ntwo\r\n\r\nthree"_b},
        {"lf keeps the column", "abc\ndef\x0b"
                                "ghi\x0cjkl"_b},
        {"backspace", "abcd\b\bX\b\b\b\b\bY"_b},
        {"nul and bell are not drawn", "a\0b\x07"
                                       "c"_b},
        {"other controls are not drawn", "a\x01\x02\x03\x04\x05\x06\x10\x11\x1c\x1f"
                                         "b\x7f"
                                         "c"_b},
        {"80 characters", QByteArray(80, 'x')},
        {"81 characters wrap", QByteArray(80, 'x') + "y"},
        {"wrap at the bottom scrolls", text + QByteArray(90, 'z')},
        {"cr after the last column", QByteArray(80, 'x') + "\rA"},
        {"backspace after the last column", QByteArray(80, 'x') + "\bB"},
        {"line feed on the last row scrolls", text + "\r\nlast"},
        {"many line feeds", repeated("line\r\n"_b, 60)},
        {"tabs", "a\tb\tc\td\te\tf\tg\th\ti\tj\tk\tl"_b},
        {"tab stops set and cleared",
         "\x1b[3g\x1b[1;9H\x1bH\x1b[1;14H\x1bH\r\tA\tB\r\t\x1b[g\r\tC\x1b[3g\r\tD"_b},
        {"cursor up", "\x1b[10;10Hx\x1b[Ay\x1b[0Az\x1b[3Aw\x1b[99Av"_b},
        {"cursor down", "x\x1b[By\x1b[0Bz\x1b[5Bw\x1b[99Bv"_b},
        {"cursor forward", "x\x1b[Cy\x1b[0Cz\x1b[10Cw\x1b[99Cv"_b},
        {"cursor back", "\x1b[1;40Hx\x1b[Dy\x1b[0Dz\x1b[10Dw\x1b[99Dv"_b},
        {"cursor position", "\x1b[5;10Ha\x1b[Hb\x1b[99;99Hc\x1b[;5Hd\x1b[7He\x1b[0;0Hf"_b},
        {"cursor position f", "\x1b[12;40fa\x1b[fb"_b},
        {"erase below", text + "\x1b[10;20H\x1b[J"},
        {"erase below from home", text + "\x1b[H\x1b[0J"},
        {"erase above", text + "\x1b[10;20H\x1b[1J"},
        {"erase all", text + "\x1b[10;20H\x1b[2J\x1b[10;20Hx"},
        {"erase line end", text + "\x1b[3;20H\x1b[K"},
        {"erase line start", text + "\x1b[3;20H\x1b[1K"},
        {"erase line", text + "\x1b[3;20H\x1b[2K"},
        {"erase with an unknown mode", text + "\x1b[3;20H\x1b[5K\x1b[7J"},
        {"attributes", "\x1b[1mbold\x1b[0m \x1b[4munder\x1b[m \x1b[5mblink\x1b[0m"
                       "\x1b[7mreverse\x1b[0m\x1b[1;31mred\x1b[44mblue\x1b[m."_b},
        {"every colour", "\x1b[30ma\x1b[31mb\x1b[32mc\x1b[33md\x1b[34me\x1b[35mf\x1b[36mg"
                         "\x1b[37mh\x1b[40mi\x1b[41mj\x1b[42mk\x1b[43ml\x1b[44mm\x1b[45mn"
                         "\x1b[46mo\x1b[47mp\x1b[0mq"_b},
        {"erase in colour", text + "\x1b[3;5H\x1b[44m\x1b[J\x1b[0mtext\x1b[41m\x1b[K\x1b[1J"},
        {"save and restore", "\x1b[5;5Hab\x1b"
                             "7\x1b[20;20Hcd\x1b"
                             "8ef"_b},
        {"reverse index", "\x1b[24;1Hx\x1b[1;1H\x1bMw\x1bMv\x1b[3;5H\x1bMu"_b},
        {"scroll region", text + "\x1b[5;20r\x1b[20;1H\n\n\nnew\x1b[5;1H\x1bM\x1bMtop"},
        {"scroll region top only", text + "\x1b[5r\x1b[25;1H\n\nend"},
        {"scroll region reset", text + "\x1b[5;20r\x1b[r\x1b[25;1H\n\nend"},
        {"scroll region invalid", text + "\x1b[20;5r\x1b[25;1H\nend"},
        {"below the scroll region", text + "\x1b[5;10r\x1b[24;1H\n\n\nx"},
        {"origin mode", "\x1b[5;10r\x1b[?6h\x1b[Hx\x1b[99;1Hy\x1b[12;20rw\x1b[?6l\x1b[Hz"_b},
        {"no autowrap", "\x1b[?7l"_b + QByteArray(90, 'a') + "\x1b[?7h\r\n" + QByteArray(85, 'b')},
        {"new line mode", "\x1b[20habc\ndef\x1b[20lghi\njkl"_b},
        {"character sets", "\x1b(0lqqk\x1b(B x \x0e"_b + "a\x1b)0lqk\x0f" + "b\x1b(Ac#\x1b)A\x0e#"},
        {"reverse screen", "\x1b[7mab\x1b[0mcd\x1b[?5h\x1b[44mef\x1b[7mgh"_b},
        {"reverse screen and back", "ab\x1b[?5h\x1b[7mcd\x1b[?5l\x1b[0mef"_b},
        {"alignment pattern", "\x1b#8"_b},
        {"cancel and substitute", "\x1b[12\x18"_b + "A\x1b[3\x1a" + "B"},
        {"controls inside a sequence", "\x1b[5;\r10Hx\x1b[2\bCy"_b},
        {"escape restarts a sequence", "\x1b[5\x1b[3;3Hx"_b},
        {"long parameter lists",
         "\x1b[1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16mx"_b + "\x1b[000000000000000000000000005Cy"},
        {"huge parameters", "\x1b[99999;99999Hx\x1b[99999999999Dy"_b},
        {"private and intermediate sequences", "\x1b[?1h\x1b[?25lx\x1b[>c\x1b[!py\x1b=z\x1b>"_b},
        {"keypad and unknown escapes", "a\x1bQb\x1b"
                                       "1c"_b},
        {"strings are swallowed", "a\x1b]0;title\x07"
                                  "b\x1b]2;t\x1b\\c\x1bPxyz\x1b\\d"_b},
        {"identification requests", "\x1b[c\x1b[6n\x1bZx\x1bIy\x1b[iz\x1b[5i"_b},
    };
}

// Printable runs, controls and sequences, weighted towards what hosts send.
QByteArray randomStream(QRandomGenerator &random, int tokens)
{
    static const char *const controls[] = {"\r",
                                           "\n",
                                           "\b",
                                           "\t",
                                           "\r\n",
                                           "\x0b",
                                           "\x0c",
                                           "\x0e",
                                           "\x0f",
                                           "\x07",
                                           "\x1b"
                                           "7",
                                           "\x1b"
                                           "8",
                                           "\x1b"
                                           "H",
                                           "\x1b"
                                           "M",
                                           "\x1b(0",
                                           "\x1b(B",
                                           "\x1b)0",
                                           "\x1b)B",
                                           "\x1b#8",
                                           "\x1b[?7l",
                                           "\x1b[?7h",
                                           "\x1b[20h",
                                           "\x1b[20l",
                                           "\x1b[g",
                                           "\x1b[3g",
                                           "\x1b[H\x1b[r",
                                           "\x18"};
    static const char finals[] = "ABCDHfJKmr";
    static const int sgr[] = {0,  1,  4,  5,  7,  30, 31, 32, 33, 34, 35,
                              36, 37, 40, 41, 42, 43, 44, 45, 46, 47};
    QByteArray out;
    for (int i = 0; i < tokens; ++i) {
        const int kind = random.bounded(10);
        if (kind < 4) {
            const int length = random.bounded(1, 120);
            for (int k = 0; k < length; ++k)
                out += char(random.bounded(0x20, 0x7F));
        } else if (kind < 6) {
            const QByteArray control = controls[random.bounded(int(std::size(controls)))];
            // A line feed that scrolls keeps a pending wrap in the oracle, not on the screen.
            if (control.endsWith('\n') || control == "\x0b" || control == "\x0c")
                out += "\x1b[C";
            out += control;
        } else {
            const char final = finals[random.bounded(int(sizeof finals) - 1)];
            QByteArray params;
            const int count = random.bounded(4);
            for (int p = 0; p < count; ++p) {
                if (p > 0)
                    params += ';';
                if (final == 'm')
                    params += QByteArray::number(sgr[random.bounded(int(std::size(sgr)))]);
                else if (random.bounded(4) > 0)
                    params += QByteArray::number(random.bounded(final == 'r' ? 27 : 90));
            }
            // Hosts clear from home in their own colours and place the cursor after setting
            // a region; the oracle homes it there and keeps the window's colours.
            if (final == 'J')
                out += "\x1b[m";
            if (final == 'r' || (final == 'J' && params.startsWith('2')))
                out += "\x1b[H";
            out += "\x1b[" + params + final;
        }
    }
    return out;
}

// Bytes as C-style text, for failure messages.
QString escaped(const QByteArray &bytes)
{
    QString out;
    for (char c : bytes) {
        const auto b = uint8_t(c);
        if (b == 27)
            out += QStringLiteral("\\e");
        else if (b < 0x20 || b >= 0x7F)
            out += QStringLiteral("\\x%1").arg(b, 2, 16, QChar('0'));
        else
            out += QChar(b);
    }
    return out;
}

// Replays a failing stream byte by byte and names the first byte after which the two
// terminals differ, with the bytes leading up to it.
QString firstDivergence(const QByteArray &bytes)
{
    // Kept for replaying the case by hand.
    QFile keep(QDir::temp().filePath(QStringLiteral("telnet-screen-divergence.bin")));
    if (keep.open(QIODevice::WriteOnly))
        keep.write(bytes);
    // Find the first chunk that ends in a difference, then the byte inside it.
    constexpr qsizetype Chunk = 64;
    qsizetype start = 0;
    {
        Telnet screen;
        TelnetVtermOracle oracle;
        for (qsizetype i = 0; i < bytes.size(); i += Chunk) {
            const qsizetype n = qMin(Chunk, bytes.size() - i);
            screen.write(bytes.constData() + i, n);
            oracle.write(bytes.constData() + i, n);
            if (!oracle.compare(screen, true).isEmpty())
                break;
            start = i + n;
        }
    }
    Telnet screen;
    TelnetVtermOracle oracle;
    screen.write(bytes.constData(), start);
    oracle.write(bytes.constData(), start);
    for (qsizetype i = start; i < bytes.size(); ++i) {
        screen.write(bytes.constData() + i, 1);
        oracle.write(bytes.constData() + i, 1);
        const QString problem = oracle.compare(screen, true);
        if (!problem.isEmpty())
            return QStringLiteral("(kept in %4) first differs after byte %1, following: %2\n%3")
                .arg(i)
                .arg(escaped(bytes.mid(qMax<qsizetype>(0, i - 80), qMin<qsizetype>(i + 1, 81))))
                .arg(problem)
                .arg(keep.fileName());
    }
    return QStringLiteral("no difference byte by byte");
}

QString compareWhole(const QByteArray &bytes, bool renditions, bool utf8 = false)
{
    Telnet screen;
    screen.setUtf8(utf8);
    screen.write(bytes.constData(), bytes.size());
    TelnetVtermOracle oracle(utf8);
    oracle.write(bytes);
    return oracle.compare(screen, renditions);
}

bool sameScreen(const Telnet &a, const Telnet &b)
{
    for (int r = 0; r < Telnet::Rows; ++r) {
        if (!std::equal(a.cells(r), a.cells(r) + Telnet::Columns, b.cells(r)))
            return false;
    }
    return a.CursorRow() == b.CursorRow() && a.CursorCol() == b.CursorCol() &&
           a.CurrentAttr() == b.CurrentAttr() && a.currentStyle() == b.currentStyle();
}

QByteArray readRecording(const QString &name)
{
    QFile file(TestSupport::sourceDir() + "/tests/tools/telnet/recordings/" + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

class TelnetDifferentialTest : public QObject
{
    Q_OBJECT

private slots:
    void scripted_data();
    void scripted();
    void cutAtEveryByte_data();
    void cutAtEveryByte();
    void randomStreams();
    void randomStreamsByteByByte();
    void utf8Text();
    void recordings_data();
    void recordings();
};

void TelnetDifferentialTest::scripted_data()
{
    QTest::addColumn<QByteArray>("bytes");
    for (const auto &[name, bytes] : scriptedStreams())
        QTest::newRow(name) << bytes;
}

void TelnetDifferentialTest::scripted()
{
    QFETCH(QByteArray, bytes);
    const QString problem = compareWhole(bytes, true);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TelnetDifferentialTest::cutAtEveryByte_data()
{
    scripted_data();
}

// A sequence split across two reads is interpreted as if it had come whole.
void TelnetDifferentialTest::cutAtEveryByte()
{
    QFETCH(QByteArray, bytes);
    Telnet whole;
    whole.write(bytes.constData(), bytes.size());
    TelnetVtermOracle oracle;
    oracle.write(bytes);
    for (int cut = 1; cut < bytes.size(); ++cut) {
        Telnet split;
        split.write(bytes.constData(), cut);
        split.write(bytes.constData() + cut, bytes.size() - cut);
        QVERIFY2(sameScreen(whole, split), qPrintable(QStringLiteral("cut at %1").arg(cut)));
        const QString problem = oracle.compare(split, true);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
}

void TelnetDifferentialTest::randomStreams()
{
    QRandomGenerator random(20261208);
    for (int stream = 0; stream < 300; ++stream) {
        // The oracle restores an unset saved cursor in colours of its own: save one first.
        const QByteArray bytes = "\x1b"
                                 "7" +
                                 randomStream(random, 400);
        Telnet screen;
        TelnetVtermOracle oracle;
        // Compare at several points so a difference is found near its cause.
        for (qsizetype from = 0; from < bytes.size(); from += 257) {
            const QByteArray piece = bytes.mid(from, 257);
            screen.write(piece.constData(), piece.size());
            oracle.write(piece);
            const QString problem = oracle.compare(screen, true);
            if (!problem.isEmpty())
                QFAIL(qPrintable(QStringLiteral("stream %1: %2")
                                     .arg(stream)
                                     .arg(firstDivergence(bytes.left(from + piece.size())))));
        }
    }
}

void TelnetDifferentialTest::randomStreamsByteByByte()
{
    QRandomGenerator random(7);
    for (int stream = 0; stream < 40; ++stream) {
        const QByteArray bytes = "\x1b"
                                 "7" +
                                 randomStream(random, 300);
        Telnet whole;
        whole.write(bytes.constData(), bytes.size());
        Telnet single;
        for (char b : bytes)
            QCOMPARE(single.ProcessChar(uint8_t(b)), Telnet::DataState);
        QVERIFY2(sameScreen(whole, single), qPrintable(QString::number(stream)));
    }
}

// UTF-8 text as hosts in a UTF-8 locale send it shows the oracle's characters.
void TelnetDifferentialTest::utf8Text()
{
    const QByteArray text = QStringLiteral("gr\u00fc\u00dfe \u20ac 5 \u0391\u03b2\u03b3 "
                                           "\u043f\u0440\u0438\u0432\u0435\u0442 \u2500\u2502")
                                .toUtf8();
    for (const QByteArray &bytes :
         {"\x1b[1;31m"_b + text + "\x1b[0m\r\n" + text.repeated(6),
          "\x1b(A#\x1b(0lqk\x1b(B"_b + text + "\x1b[?5h", "\x1b[?7l"_b + text.repeated(5)}) {
        const QString problem = compareWhole(bytes, true, true);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
}

void TelnetDifferentialTest::recordings_data()
{
    QTest::addColumn<QString>("name");
    const QDir dir(TestSupport::sourceDir() + "/tests/tools/telnet/recordings");
    const QStringList names = dir.entryList({"*.vt"}, QDir::Files, QDir::Name);
    QVERIFY(names.size() >= 4);
    for (const QString &name : names)
        QTest::newRow(qPrintable(name)) << name;
}

// Output recorded from real programs run with TERM=vt100, replayed into both terminals.
void TelnetDifferentialTest::recordings()
{
    QFETCH(QString, name);
    const QByteArray bytes = readRecording(name);
    QVERIFY(!bytes.isEmpty());
    Telnet screen;
    TelnetVtermOracle oracle;
    // Checked after every line of output, which is where the programs pause.
    qsizetype from = 0;
    while (from < bytes.size()) {
        qsizetype to = bytes.indexOf('\n', from);
        to = to < 0 ? bytes.size() : to + 1;
        screen.write(bytes.constData() + from, to - from);
        oracle.write(bytes.constData() + from, to - from);
        const QString problem = oracle.compare(screen, true);
        QVERIFY2(problem.isEmpty(),
                 qPrintable(QStringLiteral("after byte %1: %2").arg(to).arg(problem)));
        from = to;
    }
}

QTEST_GUILESS_MAIN(TelnetDifferentialTest)
#include "telnet_differential_test.moc"
