#include "tools/telnet/TelnetNegotiation.h"

#include <algorithm>
#include <cstring>

const char TelnetNegotiation::TerminalType[] = "VT100";
const char TelnetNegotiation::TerminalSpeed[] = "57600,57600";

TelnetNegotiation::TelnetNegotiation()
{
    std::fill(std::begin(m_local), std::end(m_local), No);
    std::fill(std::begin(m_remote), std::end(m_remote), No);
    std::fill(std::begin(m_refusedLocal), std::end(m_refusedLocal), false);
    std::fill(std::begin(m_refusedRemote), std::end(m_refusedRemote), false);
}

bool TelnetNegotiation::weWill(uint8_t option) const
{
    return option == OptSuppressGoAhead || option == OptTerminalType || option == OptNaws ||
           option == OptTerminalSpeed || option == OptAuthentication ||
           (m_binary && option == OptBinary);
}

bool TelnetNegotiation::hostMay(uint8_t option) const
{
    return option == OptEcho || option == OptSuppressGoAhead || (m_binary && option == OptBinary);
}

void TelnetNegotiation::connectionOpened()
{
    // A command cut off by the last connection must not swallow the new one's first bytes.
    m_state = Data;
    m_subLength = 0;
    std::fill(std::begin(m_local), std::end(m_local), No);
    std::fill(std::begin(m_remote), std::end(m_remote), No);
    std::fill(std::begin(m_refusedLocal), std::end(m_refusedLocal), false);
    std::fill(std::begin(m_refusedRemote), std::end(m_refusedRemote), false);
    m_remote[OptEcho] = WantYes;
    m_remote[OptSuppressGoAhead] = WantYes;
    m_local[OptNaws] = WantYes;
    m_local[OptTerminalType] = WantYes;
    m_local[OptTerminalSpeed] = WantYes;
    if (!m_binary) {
        send({IAC, DO, OptEcho, IAC, DO, OptSuppressGoAhead, IAC, WILL, OptNaws, IAC, WILL,
              OptTerminalType, IAC, WILL, OptTerminalSpeed});
        return;
    }
    // Hosts do not ask for BINARY themselves: without it their terminal strips the eighth bit.
    m_local[OptBinary] = WantYes;
    m_remote[OptBinary] = WantYes;
    send({IAC, DO,   OptEcho,         IAC, DO,   OptSuppressGoAhead, IAC, WILL, OptNaws,
          IAC, WILL, OptTerminalType, IAC, WILL, OptTerminalSpeed,   IAC, WILL, OptBinary,
          IAC, DO,   OptBinary});
}

void TelnetNegotiation::receive(const char *bytes, qsizetype size)
{
    qsizetype i = 0;
    while (i < size) {
        if (m_state == Data) {
            // Hand whole runs of data to the screen; only IAC leaves this state.
            const void *iac = std::memchr(bytes + i, IAC, size_t(size - i));
            const qsizetype end = iac ? static_cast<const char *>(iac) - bytes : size;
            if (end > i && m_data)
                m_data(bytes + i, end - i);
            if (!iac)
                return;
            m_state = Command;
            i = end + 1;
            continue;
        }
        step(static_cast<uint8_t>(bytes[i]));
        ++i;
    }
}

void TelnetNegotiation::step(uint8_t b)
{
    switch (m_state) {
    case Data:
        break; // handled in receive()
    case Command:
        command(b);
        break;
    case AfterDo:
        m_state = Data;
        onDo(b);
        break;
    case AfterDont:
        m_state = Data;
        onDont(b);
        break;
    case AfterWill:
        m_state = Data;
        onWill(b);
        break;
    case AfterWont:
        m_state = Data;
        onWont(b);
        break;
    case SubData:
        if (b == IAC)
            m_state = SubCommand;
        else if (m_subLength < SubBufferSize)
            m_subBuffer[m_subLength++] = b;
        break;
    case SubCommand:
        if (b == IAC) {
            // A doubled IAC inside the subnegotiation is a data byte of it.
            if (m_subLength < SubBufferSize)
                m_subBuffer[m_subLength++] = b;
            m_state = SubData;
        } else if (b == SE) {
            m_state = Data;
            onSubnegotiation();
        } else {
            // A host that never closes its subnegotiation: read the command as such.
            command(b);
        }
        break;
    }
}

void TelnetNegotiation::command(uint8_t b)
{
    switch (b) {
    case IAC:
        m_state = Data;
        if (m_data)
            m_data("\xff", 1);
        break;
    case DO:
        m_state = AfterDo;
        break;
    case DONT:
        m_state = AfterDont;
        break;
    case WILL:
        m_state = AfterWill;
        break;
    case WONT:
        m_state = AfterWont;
        break;
    case SB:
        m_state = SubData;
        m_subLength = 0;
        break;
    default:
        // NOP, GA, DM, a stray SE and the rest carry nothing for this terminal.
        m_state = Data;
        break;
    }
}

void TelnetNegotiation::onDo(uint8_t option)
{
    switch (m_local[option]) {
    case Yes:
        // Already on: never acknowledge again. The window size may be asked for again.
        if (option == OptNaws)
            sendWindowSize();
        return;
    case WantYes:
        m_local[option] = Yes; // the answer to our own offer
        break;
    case No:
        if (!weWill(option)) {
            if (option != OptEcho && option != OptBinary)
                trace("DO", option);
            refuse(WONT, option);
            return;
        }
        m_local[option] = Yes;
        send({IAC, WILL, option});
        break;
    }
    if (option == OptNaws)
        sendWindowSize();
    else if (option == OptAuthentication)
        send({IAC, SB, OptAuthentication, IS, 0, 0, 0, IAC, SE}); // no authentication offered
}

void TelnetNegotiation::onDont(uint8_t option)
{
    const OptionState was = m_local[option];
    m_local[option] = No;
    if (was == Yes)
        send({IAC, WONT, option});
    else if (was == No && !weWill(option) && option != OptEcho)
        trace("DONT", option);
}

void TelnetNegotiation::onWill(uint8_t option)
{
    switch (m_remote[option]) {
    case Yes:
        return;
    case WantYes:
        m_remote[option] = Yes;
        return;
    case No:
        if (!hostMay(option)) {
            trace("WILL", option);
            refuse(DONT, option);
            return;
        }
        m_remote[option] = Yes;
        send({IAC, DO, option});
        return;
    }
}

void TelnetNegotiation::onWont(uint8_t option)
{
    const OptionState was = m_remote[option];
    m_remote[option] = No;
    if (was == Yes)
        send({IAC, DONT, option});
}

void TelnetNegotiation::onSubnegotiation()
{
    if (m_subLength < 2 || m_subBuffer[1] != SEND)
        return;
    if (m_subBuffer[0] == OptTerminalType)
        sendSubnegotiation(OptTerminalType, TerminalType);
    else if (m_subBuffer[0] == OptTerminalSpeed)
        sendSubnegotiation(OptTerminalSpeed, TerminalSpeed);
}

void TelnetNegotiation::refuse(uint8_t verb, uint8_t option)
{
    bool &refused = verb == WONT ? m_refusedLocal[option] : m_refusedRemote[option];
    if (refused)
        return;
    refused = true;
    send({IAC, verb, option});
}

void TelnetNegotiation::send(std::initializer_list<uint8_t> bytes)
{
    if (!m_send)
        return;
    QByteArray out;
    out.reserve(qsizetype(bytes.size()));
    for (uint8_t b : bytes)
        out.append(char(b));
    m_send(out);
}

void TelnetNegotiation::sendSubnegotiation(uint8_t option, const char *value)
{
    if (!m_send)
        return;
    QByteArray out;
    out.append(char(IAC)).append(char(SB)).append(char(option)).append(char(IS));
    out.append(value);
    out.append(char(IAC)).append(char(SE));
    m_send(out);
}

void TelnetNegotiation::sendWindowSize()
{
    send({IAC, SB, OptNaws, 0, WindowColumns, 0, WindowRows, IAC, SE});
}

void TelnetNegotiation::trace(const char *what, uint8_t option)
{
    if (m_trace)
        m_trace(QStringLiteral("%1 %2 refused").arg(QLatin1String(what)).arg(option));
}

QByteArray TelnetNegotiation::escapeData(const QByteArray &bytes)
{
    if (!bytes.contains(char(IAC)))
        return bytes;
    QByteArray out;
    out.reserve(bytes.size() + 4);
    for (char c : bytes) {
        out.append(c);
        if (static_cast<uint8_t>(c) == IAC)
            out.append(c);
    }
    return out;
}
