#pragma once

// A small HTTP/1.1 server on 127.0.0.1 for the GUI tests. It runs on the
// test's own event loop: every request is read whole (Content-Length bodies),
// handed to the test's handler, and answered with "Connection: close". A reply
// can be delayed, held until the test releases it, sent in timed pieces, cut
// short (closed or reset), or left out altogether. The server and its
// connections go away with the object.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>
#include <utility>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace wordlark::test {

using HttpHeaders = QList<std::pair<QByteArray, QByteArray>>;

struct ReceivedRequest {
  QByteArray method;
  QByteArray target;  // path and query as sent
  HttpHeaders headers;
  QByteArray body;

  // The first header of that name (any letter case), empty when absent.
  QByteArray Header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
      if (key.compare(name, Qt::CaseInsensitive) == 0) {
        return value;
      }
    }
    return {};
  }
};

struct ServedReply {
  int status = 200;
  HttpHeaders headers;
  QByteArray body;
  int delayMs = 0;       // answer this long after the request arrived
  bool hold = false;     // answer only on ReleaseHeld()
  int pieceSize = 0;     // > 0: send the body in pieces of this many bytes ...
  int pieceDelayMs = 0;  // ... this far apart
  int cutAfter = -1;     // >= 0: announce the whole body, close after this many bytes

  // >= 0 with cutAfter: reset the connection (TCP RST) this long after the cut
  // body went out, instead of closing it.
  int resetAfterMs = -1;
  // Close the connection without sending a byte.
  bool unanswered = false;
  // After the head, send the body (64 KiB when empty) over and over for as
  // long as the peer takes it, with no Content-Length: a reply that never
  // ends. With pieceDelayMs, one body every pieceDelayMs; else as fast as the
  // peer reads.
  bool endless = false;
};

class TestHttpServer {
 public:
  using Handler = std::function<ServedReply(const ReceivedRequest&)>;

  explicit TestHttpServer(Handler handler)
      : handler_(std::move(handler)), server_(std::make_unique<QTcpServer>()) {
    server_->listen(QHostAddress::LocalHost, 0);
    QObject::connect(server_.get(), &QTcpServer::newConnection, server_.get(), [this] {
      while (QTcpSocket* socket = server_->nextPendingConnection()) {
        Accept(socket);
      }
    });
  }

  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;

  bool IsListening() const { return server_->isListening(); }
  quint16 Port() const { return server_->serverPort(); }
  QString Url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(Port()).arg(path);
  }
  std::string UrlBytes(const QString& path) const { return Url(path).toStdString(); }

  const QList<ReceivedRequest>& Requests() const { return requests_; }
  // Body bytes the endless replies have handed to their sockets so far.
  qint64 EndlessBytesSent() const { return *endlessSent_; }
  int HeldCount() const { return static_cast<int>(held_.size()); }

  // Sends every reply held so far.
  void ReleaseHeld() {
    auto held = std::move(held_);
    held_.clear();
    for (auto& [socket, reply] : held) {
      if (socket) {
        Send(socket, reply);
      }
    }
  }

  // A port on 127.0.0.1 with no listener (it had one a moment ago).
  static quint16 UnusedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
  }

 private:
  void Accept(QTcpSocket* socket) {
    // One request per connection: the reply says "Connection: close", and
    // whatever the client sends after the request is not read.
    auto buffer = std::make_shared<QByteArray>();
    auto taken = std::make_shared<bool>(false);
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer, taken] {
      if (*taken) {
        socket->readAll();
        return;
      }
      buffer->append(socket->readAll());
      const qsizetype end = buffer->indexOf("\r\n\r\n");
      if (end < 0) {
        return;
      }
      ReceivedRequest request;
      const QList<QByteArray> lines = buffer->left(end).split('\n');
      const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
      request.method = first.value(0);
      request.target = first.value(1);
      qsizetype length = 0;
      for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) {
          continue;
        }
        request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
      }
      length = request.Header("Content-Length").toLongLong();
      if (buffer->size() < end + 4 + length) {
        return;  // the body is still coming
      }
      request.body = buffer->mid(end + 4, length);
      buffer->clear();
      *taken = true;
      requests_.append(request);
      const ServedReply reply = handler_(request);
      if (reply.hold) {
        held_.append({QPointer<QTcpSocket>(socket), reply});
      } else if (reply.delayMs > 0) {
        QTimer::singleShot(reply.delayMs, socket, [this, socket, reply] { Send(socket, reply); });
      } else {
        Send(socket, reply);
      }
    });
  }

  static QByteArray Reason(int status) {
    switch (status) {
      case 200:
        return "OK";
      case 301:
        return "Moved Permanently";
      case 302:
        return "Found";
      case 303:
        return "See Other";
      case 307:
        return "Temporary Redirect";
      case 308:
        return "Permanent Redirect";
      case 404:
        return "Not Found";
      case 500:
        return "Internal Server Error";
      default:
        return "Status";
    }
  }

  void Send(QTcpSocket* socket, const ServedReply& reply) {
    if (reply.unanswered) {
      socket->disconnectFromHost();
      return;
    }
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + Reason(reply.status) + "\r\n";
    for (const auto& [name, value] : reply.headers) {
      head += name + ": " + value + "\r\n";
    }
    if (reply.endless) {
      socket->write(head + "Connection: close\r\n\r\n");
      SendEndless(socket, reply.body.isEmpty() ? QByteArray(64 * 1024, 'x') : reply.body,
                  reply.pieceDelayMs);
      return;
    }
    head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head);
    QByteArray body = reply.body;
    if (reply.cutAfter >= 0) {
      body.truncate(reply.cutAfter);
    }
    if (reply.pieceSize <= 0) {
      socket->write(body);
      if (reply.cutAfter >= 0 && reply.resetAfterMs >= 0) {
        QTimer::singleShot(reply.resetAfterMs, socket, [socket] { Reset(socket); });
        return;
      }
      socket->disconnectFromHost();
      return;
    }
    SendPieces(QPointer<QTcpSocket>(socket), body, 0, reply.pieceSize, reply.pieceDelayMs);
  }

  // Drops the connection with a TCP RST: lingering switched off, then closed.
  static void Reset(QTcpSocket* socket) {
    socket->flush();
    const linger hard{1, 0};
#ifdef _WIN32
    ::setsockopt(static_cast<SOCKET>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER,
                 reinterpret_cast<const char*>(&hard), sizeof hard);
#else
    ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard,
                 sizeof hard);
#endif
    socket->abort();
  }

  // Sends `piece` every `delayMs`, or keeps about 1 MiB queued on the socket
  // and tops it up as the peer reads, until the peer goes.
  void SendEndless(QTcpSocket* socket, const QByteArray& piece, int delayMs) {
    const auto send = [socket, piece, sent = endlessSent_] {
      socket->write(piece);
      *sent += piece.size();
    };
    if (delayMs > 0) {
      auto* timer = new QTimer(socket);
      QObject::connect(timer, &QTimer::timeout, socket, send);
      timer->start(delayMs);
      send();
      return;
    }
    const auto topUp = [socket, send] {
      while (socket->state() == QAbstractSocket::ConnectedState &&
             socket->bytesToWrite() < 1024 * 1024) {
        send();
      }
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, topUp);
    topUp();
  }

  // The body from `from` on, a piece every `delayMs` (the body is shared, not
  // copied, from piece to piece).
  static void SendPieces(QPointer<QTcpSocket> socket, QByteArray body, qsizetype from, int size,
                         int delayMs) {
    if (!socket) {
      return;
    }
    socket->write(body.constData() + from, std::min<qsizetype>(size, body.size() - from));
    from += size;
    if (from >= body.size()) {
      socket->disconnectFromHost();
      return;
    }
    QTimer::singleShot(delayMs, socket, [socket, body, from, size, delayMs] {
      SendPieces(socket, body, from, size, delayMs);
    });
  }

  Handler handler_;
  std::unique_ptr<QTcpServer> server_;
  QList<ReceivedRequest> requests_;
  QList<std::pair<QPointer<QTcpSocket>, ServedReply>> held_;
  std::shared_ptr<qint64> endlessSent_ = std::make_shared<qint64>(0);
};

}  // namespace wordlark::test
