#include "online/QtHttpClient.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>
#include <exception>
#include <limits>
#include <string>
#include <string_view>

using wordlark::BodyWriter;
using wordlark::FormField;
using wordlark::HttpError;
using wordlark::HttpErrorKind;

namespace {

// Headers every request carries; the news service expects these values.
constexpr char kAccept[] = "text/html, */*";
constexpr char kUserAgent[] = "Mozilla/3.0 (compatible; Indy Library)";

bool Holds(std::string_view text, const QByteArray& part) {
  return text.find(std::string_view(part.constData(), static_cast<std::size_t>(part.size()))) !=
         std::string_view::npos;
}

QByteArray NewBoundary() {
  static constexpr char kDigits[] =
      "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  QByteArray boundary("----------WordlarkFormBoundary");
  for (int i = 0; i < 24; ++i) {
    boundary += kDigits[QRandomGenerator::global()->bounded(62)];
  }
  return boundary;
}

// The multipart/form-data body of the fields, one part per field in order,
// each value's bytes as given. The boundary is chosen so that it occurs in no
// field.
QByteArray FormBody(const std::vector<FormField>& fields, QByteArray& boundary) {
  for (const FormField& field : fields) {
    if (field.name.find_first_of(std::string_view("\"\r\n\0", 4)) != std::string::npos) {
      throw HttpError(HttpErrorKind::Other,
                      "The form field name \"" + field.name + "\" cannot be sent.");
    }
  }
  bool clash = true;
  while (clash) {
    boundary = NewBoundary();
    clash = false;
    for (const FormField& field : fields) {
      clash = clash || Holds(field.value, boundary) || Holds(field.name, boundary);
    }
  }
  QByteArray body;
  for (const FormField& field : fields) {
    body += "--" + boundary + "\r\n";
    body += "Content-Disposition: form-data; name=\"";
    body.append(field.name.data(), static_cast<qsizetype>(field.name.size()));
    body += "\"\r\n\r\n";
    body.append(field.value.data(), static_cast<qsizetype>(field.value.size()));
    body += "\r\n";
  }
  body += "--" + boundary + "--\r\n";
  return body;
}

int StatusOf(const QNetworkReply& reply) {
  return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

// The statuses whose Location the client follows.
bool IsRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Only a final answer's body is handed out: never an error page, never the
// body of a redirect.
bool BodyCounts(int status) {
  return status < 400 && !IsRedirect(status);
}

bool IsWebAddress(const QUrl& address) {
  const QString scheme = address.scheme().toLower();
  return address.isValid() && (scheme == u"http" || scheme == u"https") &&
         !address.host().isEmpty();
}

// True when the reply announced the length of its body and fewer bytes came.
// A connection reset half-way through a body can end a reply without an error
// from the network layer; such a body is cut short, not an answer. (A body the
// network layer unpacks itself has no length of its own to compare.)
bool ShortOfAnnounced(const QNetworkReply& reply, qint64 received) {
  const QByteArray encoding = reply.rawHeader("Content-Encoding").trimmed().toLower();
  if (!encoding.isEmpty() && encoding != "identity") {
    return false;
  }
  bool known = false;
  const qint64 announced = reply.header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
  return known && received < announced;
}

}  // namespace

// The request in flight. It lives on the stack of the waiting call, so it
// outlives the client when the client is destroyed during the wait.
struct QtHttpClient::Wait {
  QEventLoop loop;
  QPointer<QNetworkReply> reply;  // the hop in flight
  bool finished = false;
  bool timedOut = false;
  bool cancelled = false;
  bool tooLarge = false;     // the body went past maxBytes
  bool bodyDropped = false;  // an ignored body went past its own bound
  std::size_t maxBytes = 0;
  const BodyWriter* write = nullptr;  // GET: the body goes here as it arrives ...
  QByteArray collected;               // ... POST: it is collected here
  qint64 received = 0;                // body bytes of the hop taken so far
  std::exception_ptr writerError;
};

// One request on the way to the answer: the first one, or a redirect's.
struct QtHttpClient::Hop {
  QUrl url;
  QByteArray verb;
  QByteArray body;
  QByteArray contentType;
};

QtHttpClient::QtHttpClient(QObject* parent) : QObject(parent) {
  manager_ = new QNetworkAccessManager(this);
  manager_->setCookieJar(new QNetworkCookieJar(manager_));
  // Redirects are followed here, hop by hop (see Run), so that every hop goes
  // out exactly once.
  manager_->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
  manager_->setAutoDeleteReplies(false);
}

QtHttpClient::~QtHttpClient() {
  if (wait_ != nullptr) {
    // The waiting call returns once its loop runs again, and fails.
    wait_->cancelled = true;
    if (wait_->reply) {
      wait_->reply->abort();
    }
    wait_->loop.quit();
    wait_ = nullptr;
  }
}

void QtHttpClient::CheckIdle() const {
  if (wait_ != nullptr) {
    throw HttpError(HttpErrorKind::Other, "Another request is still in progress.");
  }
}

void QtHttpClient::SetWait(Wait* wait) {
  wait_ = wait;
  emit busyChanged(wait != nullptr);
}

QtHttpClient::Hop QtHttpClient::FirstHop(const std::string& url, const char* verb) {
  const QUrl address(QString::fromStdString(url));
  if (!IsWebAddress(address)) {
    throw HttpError(HttpErrorKind::Other, "\"" + url + "\" is not a web address.");
  }
  return Hop{address, verb, {}, {}};
}

QNetworkReply* QtHttpClient::Send(const Hop& hop) {
  QNetworkRequest request(hop.url);
  request.setRawHeader("Accept", kAccept);
  request.setRawHeader("User-Agent", kUserAgent);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::ManualRedirectPolicy);
  request.setTransferTimeout(0);  // no read time-out; connecting is timed in Await
  if (!hop.contentType.isEmpty()) {
    request.setHeader(QNetworkRequest::ContentTypeHeader, hop.contentType);
  }
  QNetworkReply* reply = hop.verb == "POST" ? manager_->post(request, hop.body)
                                            : manager_->sendCustomRequest(request, hop.verb);
  // The network layer reads no further ahead than this while the body is
  // being taken, so an endless reply costs no more memory than a short one.
  reply->setReadBufferSize(kReadAheadBytes);
  return reply;
}

std::string QtHttpClient::PostForm(const std::string& url, const std::vector<FormField>& fields,
                                   std::size_t max_reply_bytes) {
  CheckIdle();
  Hop hop = FirstHop(url, "POST");
  QByteArray boundary;
  hop.body = FormBody(fields, boundary);
  hop.contentType = QByteArray("multipart/form-data; boundary=") + boundary;
  const QByteArray reply = Run(std::move(hop), nullptr, max_reply_bytes);
  return reply.toStdString();
}

void QtHttpClient::Get(const std::string& url, const BodyWriter& write) {
  CheckIdle();
  Run(FirstHop(url, "GET"), &write, std::numeric_limits<std::size_t>::max());
}

void QtHttpClient::Disconnect() {
  if (wait_ != nullptr && wait_->reply && !wait_->reply->isFinished()) {
    wait_->cancelled = true;
    wait_->reply->abort();
  }
  manager_->clearConnectionCache();
}

void QtHttpClient::TakeBody(Wait& wait) {
  QNetworkReply* r = wait.reply;
  if (r == nullptr || wait.writerError || wait.tooLarge || wait.bodyDropped) {
    return;
  }
  // Read whatever came, also what is not kept: the network layer reads ahead
  // only as far as the body is taken.
  const QByteArray bytes = r->readAll();
  if (bytes.isEmpty()) {
    return;
  }
  wait.received += bytes.size();
  const auto received = static_cast<std::size_t>(wait.received);
  if (!BodyCounts(StatusOf(*r))) {
    // An error page or a redirect's body: its status says all there is.
    if (received > kMaxIgnoredBodyBytes) {
      wait.bodyDropped = true;
      r->abort();
    }
    return;
  }
  if (received > wait.maxBytes) {
    wait.tooLarge = true;
    r->abort();
    return;
  }
  if (wait.write == nullptr) {
    wait.collected += bytes;
    return;
  }
  try {
    (*wait.write)(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  } catch (...) {
    wait.writerError = std::current_exception();
    r->abort();
  }
}

QByteArray QtHttpClient::Run(Hop hop, const BodyWriter* write, std::size_t maxBytes) {
  const QPointer<QtHttpClient> self(this);
  Wait wait;
  wait.write = write;
  wait.maxBytes = maxBytes;
  SetWait(&wait);

  // Ends the wait on every way out, unless the client has gone meanwhile (it
  // took the reply with it).
  struct Finish {
    const QPointer<QtHttpClient>& self;
    Wait& wait;
    ~Finish() {
      if (wait.reply) {
        wait.reply->disconnect(&wait.loop);
        wait.reply->deleteLater();
      }
      if (self) {
        self->SetWait(nullptr);
      }
    }
  } finish{self, wait};

  for (int redirects = 0;; ++redirects) {
    if (wait.reply) {  // the redirect just followed
      wait.reply->disconnect(&wait.loop);
      wait.reply->deleteLater();
    }
    QNetworkReply* reply = Send(hop);
    wait.reply = reply;
    wait.finished = false;
    wait.bodyDropped = false;
    wait.received = 0;
    Await(wait);
    if (!self) {
      throw HttpError(HttpErrorKind::Other, "The connection was closed.");
    }
    if (wait.writerError) {
      std::rethrow_exception(wait.writerError);
    }
    if (wait.tooLarge) {
      throw wordlark::ReplyTooLarge(maxBytes);
    }
    if (wait.timedOut) {
      throw HttpError(HttpErrorKind::Other,
                      "Connecting to " + reply->url().host().toStdString() + " timed out.");
    }
    if (wait.cancelled || !wait.finished) {
      throw HttpError(HttpErrorKind::Other, "The request was cancelled.");
    }
    const int status = StatusOf(*reply);
    if (IsRedirect(status) && (reply->error() == QNetworkReply::NoError || wait.bodyDropped)) {
      if (redirects == kMaxRedirects) {
        throw HttpError(HttpErrorKind::Other, "The server redirected the request more than " +
                                                  std::to_string(kMaxRedirects) + " times.");
      }
      hop = Redirected(std::move(hop), *reply, status);
      continue;
    }
    if (status >= 400) {
      const QString reason =
          reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().trimmed();
      throw HttpError(HttpErrorKind::HttpStatus,
                      ("The server answered " + QString::number(status) +
                       (reason.isEmpty() ? QString() : u' ' + reason) + u'.')
                          .toStdString(),
                      status);
    }
    switch (reply->error()) {
      case QNetworkReply::NoError:
        break;
      case QNetworkReply::ConnectionRefusedError:
        throw HttpError(HttpErrorKind::ConnectionRefused, reply->errorString().toStdString());
      case QNetworkReply::HostNotFoundError:
        throw HttpError(HttpErrorKind::HostNotFound, reply->errorString().toStdString());
      default:
        throw HttpError(HttpErrorKind::Other, reply->errorString().toStdString());
    }
    TakeBody(wait);  // whatever came with the end of the reply
    if (wait.writerError) {
      std::rethrow_exception(wait.writerError);
    }
    if (wait.tooLarge) {
      throw wordlark::ReplyTooLarge(maxBytes);
    }
    if (ShortOfAnnounced(*reply, wait.received)) {
      throw HttpError(HttpErrorKind::Other,
                      "The connection was closed before the whole reply arrived.");
    }
    return std::move(wait.collected);
  }
}

QtHttpClient::Hop QtHttpClient::Redirected(Hop hop, const QNetworkReply& reply, int status) {
  QUrl target = reply.attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
  if (target.isEmpty()) {
    target = QUrl::fromEncoded(reply.rawHeader("Location"));
  }
  if (target.isEmpty()) {
    throw HttpError(HttpErrorKind::Other, "The server at " + hop.url.host().toStdString() +
                                              " sent a redirect without an address.");
  }
  const QUrl next = hop.url.resolved(target);
  if (!IsWebAddress(next)) {
    throw HttpError(HttpErrorKind::Other, "The server at " + hop.url.host().toStdString() +
                                              " redirected to an address that is not a web "
                                              "address.");
  }
  if (hop.url.scheme().toLower() == u"https" && next.scheme().toLower() != u"https") {
    throw HttpError(HttpErrorKind::Other, "The server at " + hop.url.host().toStdString() +
                                              " redirected to an insecure address.");
  }
  hop.url = next;
  // 301, 302 and 303 ask for the new address with a GET and no body; 307 and
  // 308 repeat the request as it was.
  if (status == 301 || status == 302 || status == 303) {
    hop.verb = "GET";
    hop.body.clear();
    hop.contentType.clear();
  }
  return hop;
}

void QtHttpClient::Await(Wait& wait) {
  QNetworkReply* reply = wait.reply;
  QTimer connectTimer;
  connectTimer.setSingleShot(true);
  connectTimer.setInterval(connectTimeout_);
  QObject::connect(&connectTimer, &QTimer::timeout, &wait.loop, [&wait] {
    wait.timedOut = true;
    if (wait.reply) {
      wait.reply->abort();
    }
  });
  // The request went out on a connected socket, or the server is answering:
  // from here on the wait is not timed. Every hop connects anew.
  const auto connected = [&connectTimer] { connectTimer.stop(); };
  QObject::connect(reply, &QNetworkReply::requestSent, &wait.loop, connected);
  QObject::connect(reply, &QNetworkReply::metaDataChanged, &wait.loop, connected);
  QObject::connect(reply, &QNetworkReply::uploadProgress, &wait.loop,
                   [&connectTimer](qint64 sent, qint64) {
                     if (sent > 0) {
                       connectTimer.stop();
                     }
                   });
  QObject::connect(reply, &QNetworkReply::finished, &wait.loop, [&wait] {
    wait.finished = true;
    wait.loop.quit();
  });
  // The body is taken as it arrives, so no piece of the event loop's time
  // grows with the length of the reply.
  QObject::connect(reply, &QNetworkReply::readyRead, &wait.loop, [&wait] { TakeBody(wait); });

  connectTimer.start();
  if (!reply->isFinished()) {
    wait.loop.exec();
  }
  connectTimer.stop();
  if (wait.reply && !wait.finished) {
    // The loop was ended from outside (the application is quitting).
    wait.cancelled = true;
    wait.reply->abort();
  }
}
