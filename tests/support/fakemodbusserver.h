#pragma once

// A small Modbus TCP server in the test's own process (served by its event
// loop, so also while a transaction waits), for server behaviour the
// simulator does not have: per unit id it answers, answers an exception (a
// gateway's 10 or 11 included), closes the connection, or stays silent.
//
//   FakeModbusServer server;
//   QVERIFY(server.listen());                     // 127.0.0.1, a free port
//   server.rules[2] = {FakeModbusServer::Answer, 0};
//   server.defaultRule = {FakeModbusServer::Exception, 11};   // every other unit
//
// Answers to function 03: zeros, except at 10000.. (the identity): software
// version 777 (low word of the first pair) and the serial digit codes "9...9"
// ending in the last digit of the unit id.

#include <QHostAddress>
#include <QMap>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

class FakeModbusServer : public QObject
{
public:
    enum Behaviour { Silent, Answer, Exception, Close };
    struct Rule
    {
        Behaviour behaviour = Silent;
        int exceptionCode = 0;
    };

    FakeModbusServer();
    ~FakeModbusServer() override;

    bool listen() { return server.listen(QHostAddress::LocalHost, 0); }
    quint16 port() const { return server.serverPort(); }

    QMap<int, Rule> rules; // by unit id
    Rule defaultRule; // units without a rule
    int connections = 0; // accepted so far

private:
    void serve(QTcpSocket *socket);

    QTcpServer server;
    QMap<QTcpSocket *, QByteArray> buffers;
};
