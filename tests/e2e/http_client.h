#pragma once
// HTTP and event-loop helpers of the end-to-end tests of the live pages and
// their relays: a plain GET with its status and body, a JSON object, and
// running the event loop until something holds.
#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>

#include <functional>
#include <string>

namespace e2e {

inline bool SpinUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

struct Reply {
  int status = 0;
  std::string body;
};

inline Reply Get(int port, const std::string& path) {
  QTcpSocket s;
  s.connectToHost("127.0.0.1", static_cast<quint16>(port));
  if (!s.waitForConnected(3000)) return {};
  s.write(QByteArray::fromStdString("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
  QByteArray data;
  SpinUntil(
      [&] {
        data += s.readAll();
        const auto end = data.indexOf("\r\n\r\n");
        const auto at = data.toLower().indexOf("content-length:");
        if (end < 0 || at < 0) return false;
        const int length = data.mid(at + 15, data.indexOf("\r\n", at) - at - 15).trimmed().toInt();
        return data.size() >= end + 4 + length;
      },
      5000);
  Reply r;
  if (data.startsWith("HTTP/1.1 ")) r.status = data.mid(9, 3).toInt();
  r.body = data.mid(data.indexOf("\r\n\r\n") + 4).toStdString();
  return r;
}

inline QJsonObject Json(const std::string& text) {
  return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

}  // namespace e2e
