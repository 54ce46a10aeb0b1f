#pragma once
// Receives the Response signal of one portal request.

#include <QObject>
#include <QVariantMap>

namespace capture::pw {

class PortalResponse : public QObject {
  Q_OBJECT
 public:
  bool answered = false;
  uint code = 2;  // 0 granted, 1 refused by the user, 2 ended otherwise

 signals:
  void answeredNow();

 public slots:
  void onResponse(uint response, const QVariantMap& results) {
    Q_UNUSED(results);
    answered = true;
    code = response;
    emit answeredNow();
  }
};

}  // namespace capture::pw
