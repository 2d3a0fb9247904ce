#include "support/fakemodbusserver.h"

#include <QTcpSocket>

FakeModbusServer::FakeModbusServer()
{
    connect(&server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            ++connections;
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                buffers.remove(socket);
                socket->deleteLater();
            });
        }
    });
}

FakeModbusServer::~FakeModbusServer()
{
    // The sockets are the server's children: take them down while the buffers
    // their signals reach still exist.
    server.close();
    for (QTcpSocket *socket : server.findChildren<QTcpSocket *>()) {
        disconnect(socket, nullptr, this, nullptr);
        delete socket;
    }
}

void FakeModbusServer::serve(QTcpSocket *socket)
{
    QByteArray &buffer = buffers[socket];
    buffer += socket->readAll();
    // MBAP header: transaction id, protocol id, length (unit id + PDU), unit id.
    while (buffer.size() >= 8) {
        const int length = (quint8(buffer[4]) << 8) | quint8(buffer[5]);
        if (buffer.size() < 6 + length)
            return;
        const QByteArray header = buffer.left(7);
        const QByteArray pdu = buffer.mid(7, length - 1);
        buffer.remove(0, 6 + length);
        const int unit = quint8(header[6]);
        const Rule rule = rules.value(unit, defaultRule);
        if (rule.behaviour == Silent || pdu.isEmpty())
            continue;
        if (rule.behaviour == Close) {
            buffers.remove(socket);
            socket->abort();
            return;
        }
        QByteArray answer;
        if (rule.behaviour == Exception || quint8(pdu[0]) != 3 || pdu.size() < 5) {
            answer.append(char(quint8(pdu[0]) | 0x80))
                .append(char(rule.exceptionCode ? rule.exceptionCode : 1));
        } else {
            const int start = (quint8(pdu[1]) << 8) | quint8(pdu[2]);
            const int count = (quint8(pdu[3]) << 8) | quint8(pdu[4]);
            answer.append(char(3)).append(char(2 * count));
            for (int i = 0; i < count; ++i) {
                int value = 0;
                if (start == 10000 && i == 1)
                    value = 777;
                else if (start == 10000 && i >= 5)
                    value = i == 29 ? '0' + unit % 10 : '9';
                answer.append(char(value >> 8)).append(char(value & 0xff));
            }
        }
        QByteArray frame = header;
        frame[4] = char((answer.size() + 1) >> 8);
        frame[5] = char((answer.size() + 1) & 0xff);
        socket->write(frame + answer);
    }
}
