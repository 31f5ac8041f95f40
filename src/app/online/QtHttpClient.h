#pragma once

#include <QObject>
#include <QPointer>
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "online/http_client.h"

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

// The HTTP client of the online services (the main window's one client), on
// Qt Network.
//
// A call waits in a local event loop, so the windows repaint and take input
// while it runs; other handlers may therefore run in the middle of a request.
// The client carries one request at a time: a call made while another one
// waits fails at once with HttpError Other and leaves the first one alone.
// Busy() and busyChanged() let the window hold off such calls itself.
//
// Connecting: the connect time-out (2 minutes unless set otherwise) runs from
// the start of a request (and again from every redirect) until the request has
// gone out on a connected socket, or the server has started to answer. Name
// look-up and the TCP handshake both fall inside it. After that there is no
// time-out: a server that accepted the request may take as long as it likes.
//
// A reply whose body stops short of the length it announced fails with
// HttpError Other, however the connection ended.
//
// Only http and https addresses are fetched; redirects are followed (at most
// 10 in a row, never from https to http), cookies set by the servers are kept
// in memory for the life of the client and sent back.
//
// Disconnect() aborts the request in flight (its call fails with HttpError
// Other) and drops the idle connections. Destroying the client while a call
// waits makes that call fail the same way; the caller must not touch the
// client after that, so an owner that may go while a call waits should be
// deleted with deleteLater().
class QtHttpClient : public QObject, public wordlark::HttpClient {
  Q_OBJECT

 public:
  static constexpr std::chrono::milliseconds kDefaultConnectTimeout{120000};
  static constexpr int kMaxRedirects = 10;
  // How far the network layer may read ahead of the body taken.
  static constexpr qint64 kReadAheadBytes = 256 * 1024;
  // The most of an error page or a redirect's body read (and thrown away).
  static constexpr std::size_t kMaxIgnoredBodyBytes = 1024 * 1024;

  explicit QtHttpClient(QObject* parent = nullptr);
  ~QtHttpClient() override;

  std::string PostForm(const std::string& url, const std::vector<wordlark::FormField>& fields,
                       std::size_t max_reply_bytes) override;
  void Get(const std::string& url, const wordlark::BodyWriter& write) override;
  void Disconnect() override;

  // True while a request is in flight.
  bool Busy() const { return wait_ != nullptr; }

  std::chrono::milliseconds ConnectTimeout() const { return connectTimeout_; }
  void SetConnectTimeout(std::chrono::milliseconds timeout) { connectTimeout_ = timeout; }

 signals:
  // A request started (true) or ended (false).
  void busyChanged(bool busy);

 private:
  struct Wait;
  struct Hop;

  static Hop FirstHop(const std::string& url, const char* verb);
  QNetworkReply* Send(const Hop& hop);
  // Sends `hop` and the redirects that follow it, each to its end in a local
  // event loop, and throws HttpError when the request failed. `write`
  // receives the final body as it arrives (GET); without it the body, at most
  // `maxBytes` of it, is returned. Must not touch the object after it has
  // been destroyed.
  QByteArray Run(Hop hop, const wordlark::BodyWriter* write, std::size_t maxBytes);
  // Runs the hop in flight to its end (or its abort).
  void Await(Wait& wait);
  // Takes what the hop in flight has received of a body that counts.
  static void TakeBody(Wait& wait);
  // The request a redirect asks for, or HttpError when it may not be followed.
  static Hop Redirected(Hop hop, const QNetworkReply& reply, int status);
  void CheckIdle() const;
  void SetWait(Wait* wait);

  QNetworkAccessManager* manager_ = nullptr;
  Wait* wait_ = nullptr;  // the request in flight, on the waiting call's stack
  std::chrono::milliseconds connectTimeout_ = kDefaultConnectTimeout;
};
