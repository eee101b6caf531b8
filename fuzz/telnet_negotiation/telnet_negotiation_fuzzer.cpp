// Feeds host bytes to the option negotiation whole and cut in two: the data that
// reaches the screen and the replies sent must not depend on how reads are cut, and
// replies stay bounded (no negotiation loops).
#include "tools/telnet/TelnetNegotiation.h"

#include <QByteArray>

#include <cstdlib>

namespace {

struct Outcome
{
    QByteArray data;
    QByteArray sent;
};

Outcome run(const QByteArray &input, qsizetype cut)
{
    Outcome outcome;
    TelnetNegotiation negotiation;
    negotiation.setSendHandler([&](const QByteArray &bytes) { outcome.sent += bytes; });
    negotiation.setDataHandler(
        [&](const char *data, qsizetype size) { outcome.data.append(data, size); });
    negotiation.connectionOpened();
    negotiation.receive(input.left(cut));
    negotiation.receive(input.mid(cut));
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const Outcome whole = run(input, input.size());
    const Outcome cut = run(input, input.size() / 2);
    if (whole.data != cut.data || whole.sent != cut.sent)
        std::abort();
    if (whole.data.size() > input.size())
        std::abort();
    // Each command earns at most one short reply, plus the opening offer.
    if (whole.sent.size() > 64 + input.size() * 8)
        std::abort();
    return 0;
}
