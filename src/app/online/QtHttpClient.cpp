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
  QPointer<QNetworkReply> reply;
  bool finished = false;
  bool timedOut = false;
  bool cancelled = false;
  qint64 received = 0;  // body bytes handed to the writer so far
  std::exception_ptr writerError;
};

QtHttpClient::QtHttpClient(QObject* parent) : QObject(parent) {
  manager_ = new QNetworkAccessManager(this);
  manager_->setCookieJar(new QNetworkCookieJar(manager_));
  manager_->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
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

QNetworkRequest QtHttpClient::MakeRequest(const std::string& url) const {
  const QUrl address(QString::fromStdString(url));
  const QString scheme = address.scheme().toLower();
  if (!address.isValid() || (scheme != u"http" && scheme != u"https") || address.host().isEmpty()) {
    throw HttpError(HttpErrorKind::Other, "\"" + url + "\" is not a web address.");
  }
  QNetworkRequest request(address);
  request.setRawHeader("Accept", kAccept);
  request.setRawHeader("User-Agent", kUserAgent);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::NoLessSafeRedirectPolicy);
  request.setMaximumRedirectsAllowed(kMaxRedirects);
  request.setTransferTimeout(0);  // no read time-out; connecting is timed below
  return request;
}

std::string QtHttpClient::PostForm(const std::string& url, const std::vector<FormField>& fields) {
  CheckIdle();
  QNetworkRequest request = MakeRequest(url);
  QByteArray boundary;
  const QByteArray body = FormBody(fields, boundary);
  request.setHeader(QNetworkRequest::ContentTypeHeader,
                    QByteArray("multipart/form-data; boundary=") + boundary);
  const QByteArray reply = Run(manager_->post(request, body), nullptr);
  return reply.toStdString();
}

void QtHttpClient::Get(const std::string& url, const BodyWriter& write) {
  CheckIdle();
  const QNetworkRequest request = MakeRequest(url);
  Run(manager_->get(request), &write);
}

void QtHttpClient::Disconnect() {
  if (wait_ != nullptr && wait_->reply && !wait_->reply->isFinished()) {
    wait_->cancelled = true;
    wait_->reply->abort();
  }
  manager_->clearConnectionCache();
}

QByteArray QtHttpClient::Run(QNetworkReply* reply, const BodyWriter* write) {
  const QPointer<QtHttpClient> self(this);
  Wait wait;
  wait.reply = reply;
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
  // from here on the wait is not timed. A redirect connects anew.
  const auto connected = [&connectTimer] { connectTimer.stop(); };
  QObject::connect(reply, &QNetworkReply::requestSent, &wait.loop, connected);
  QObject::connect(reply, &QNetworkReply::metaDataChanged, &wait.loop, connected);
  QObject::connect(reply, &QNetworkReply::uploadProgress, &wait.loop,
                   [&connectTimer](qint64 sent, qint64) {
                     if (sent > 0) {
                       connectTimer.stop();
                     }
                   });
  QObject::connect(reply, &QNetworkReply::redirected, &wait.loop,
                   [&connectTimer] { connectTimer.start(); });
  QObject::connect(reply, &QNetworkReply::finished, &wait.loop, [&wait] {
    wait.finished = true;
    wait.loop.quit();
  });
  if (write != nullptr) {
    QObject::connect(reply, &QNetworkReply::readyRead, &wait.loop, [&wait, write] {
      QNetworkReply* r = wait.reply;
      // An error page is never handed out as a body.
      if (r == nullptr || wait.writerError || StatusOf(*r) >= 400) {
        return;
      }
      const QByteArray bytes = r->readAll();
      if (bytes.isEmpty()) {
        return;
      }
      wait.received += bytes.size();
      try {
        (*write)(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
      } catch (...) {
        wait.writerError = std::current_exception();
        r->abort();
      }
    });
  }

  connectTimer.start();
  if (!reply->isFinished()) {
    wait.loop.exec();
  }
  if (!self) {
    throw HttpError(HttpErrorKind::Other, "The connection was closed.");
  }
  if (!wait.finished && wait.reply) {
    // The loop was ended from outside (the application is quitting).
    wait.cancelled = true;
    wait.reply->abort();
  }
  connectTimer.stop();

  if (wait.writerError) {
    std::rethrow_exception(wait.writerError);
  }
  if (wait.timedOut) {
    throw HttpError(HttpErrorKind::Other,
                    "Connecting to " + reply->url().host().toStdString() + " timed out.");
  }
  if (wait.cancelled || !wait.finished) {
    throw HttpError(HttpErrorKind::Other, "The request was cancelled.");
  }
  const int status = StatusOf(*reply);
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

  const QByteArray rest = reply->readAll();
  if (ShortOfAnnounced(*reply, wait.received + rest.size())) {
    throw HttpError(HttpErrorKind::Other,
                    "The connection was closed before the whole reply arrived.");
  }
  if (write == nullptr) {
    return rest;
  }
  if (!rest.isEmpty()) {
    (*write)(std::string_view(rest.constData(), static_cast<std::size_t>(rest.size())));
  }
  return {};
}
