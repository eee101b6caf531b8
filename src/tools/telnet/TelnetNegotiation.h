#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

// The telnet side of a connection as a byte-level state machine: it strips commands and
// option negotiation out of the received stream, answers them, and passes the data bytes on.
// It knows nothing of sockets or widgets; the window wires it to both.
class TelnetNegotiation
{
public:
    // Telnet bytes.
    static constexpr uint8_t SE = 240;
    static constexpr uint8_t SB = 250;
    static constexpr uint8_t WILL = 251;
    static constexpr uint8_t WONT = 252;
    static constexpr uint8_t DO = 253;
    static constexpr uint8_t DONT = 254;
    static constexpr uint8_t IAC = 255;
    static constexpr uint8_t IS = 0;
    static constexpr uint8_t SEND = 1;

    // Options.
    static constexpr uint8_t OptBinary = 0;
    static constexpr uint8_t OptEcho = 1;
    static constexpr uint8_t OptSuppressGoAhead = 3;
    static constexpr uint8_t OptTerminalType = 24;
    static constexpr uint8_t OptNaws = 31;
    static constexpr uint8_t OptTerminalSpeed = 32;
    static constexpr uint8_t OptAuthentication = 37;

    // What the host is told about the terminal: the rows the screen really has, so that a
    // full-screen program's scroll region reaches the last one and output below it scrolls.
    static constexpr int WindowColumns = 80;
    static constexpr int WindowRows = 25;
    static const char TerminalType[];
    static const char TerminalSpeed[];

    // Bytes kept of one subnegotiation; only the first two are ever looked at.
    static constexpr int SubBufferSize = 64;

    // Receive states.
    enum State : uint8_t {
        Data = 0,
        Command = 6,
        AfterDo = 7,
        AfterWill = 8,
        AfterWont = 9,
        SubData = 10,
        AfterDont = 11,
        SubCommand = 12 // IAC inside a subnegotiation
    };

    using SendHandler = std::function<void(const QByteArray &bytes)>;
    using DataHandler = std::function<void(const char *data, qsizetype size)>;
    using TraceHandler = std::function<void(const QString &text)>;

    TelnetNegotiation();

    void setSendHandler(SendHandler handler) { m_send = std::move(handler); }
    void setDataHandler(DataHandler handler) { m_data = std::move(handler); }
    void setTraceHandler(TraceHandler handler) { m_trace = std::move(handler); }

    // With binary, BINARY (RFC 856) is offered and accepted in both directions, so eight-bit
    // text passes the host's terminal whole; without it BINARY is refused. Takes effect at
    // the next connectionOpened().
    void setBinary(bool on) { m_binary = on; }

    // A new connection: forgets every option and any command left half read by the last
    // one, then sends the offer (DO OptEcho, DO SGA, WILL OptNaws, WILL TTYPE, WILL TSPEED,
    // then WILL BINARY and DO BINARY with binary) in one write.
    void connectionOpened();

    // Received bytes, cut anywhere: data runs go to the data handler, answers to the send
    // handler, one write per answer.
    void receive(const char *bytes, qsizetype size);
    void receive(const QByteArray &bytes) { receive(bytes.constData(), bytes.size()); }

    State state() const { return m_state; }
    // Whether an option is on for our side (we WILL) or for the host's side (it WILL).
    bool localEnabled(uint8_t option) const { return m_local[option] == Yes; }
    bool remoteEnabled(uint8_t option) const { return m_remote[option] == Yes; }

    // Data for the host: every 255 doubled so it is not read as IAC.
    static QByteArray escapeData(const QByteArray &bytes);

private:
    enum OptionState : uint8_t { No, WantYes, Yes };

    void step(uint8_t b);
    void command(uint8_t b);
    void onDo(uint8_t option);
    void onDont(uint8_t option);
    void onWill(uint8_t option);
    void onWont(uint8_t option);
    void onSubnegotiation();
    void send(std::initializer_list<uint8_t> bytes);
    void sendSubnegotiation(uint8_t option, const char *value);
    void sendWindowSize();
    void refuse(uint8_t verb, uint8_t option);
    void trace(const char *what, uint8_t option);
    bool weWill(uint8_t option) const;
    bool hostMay(uint8_t option) const;

    bool m_binary = false;
    State m_state = Data;
    uint8_t m_subBuffer[SubBufferSize];
    int m_subLength = 0;
    OptionState m_local[256];
    OptionState m_remote[256];
    // Options already refused this connection: a host that asks again gets no second refusal.
    bool m_refusedLocal[256];
    bool m_refusedRemote[256];

    SendHandler m_send;
    DataHandler m_data;
    TraceHandler m_trace;
};
