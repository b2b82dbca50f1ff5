#include "widgets/path_text.h"

#include <QByteArray>
#include <QLineEdit>
#include <QString>
#include <QVariant>

namespace {

constexpr const char* kBytesProperty = "pathBytes";
constexpr const char* kShownProperty = "pathShown";

}  // namespace

void SetPathText(QLineEdit* edit, const std::string& path) {
    const QString shown = QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
    edit->setProperty(kBytesProperty, QByteArray(path.data(), static_cast<qsizetype>(path.size())));
    edit->setProperty(kShownProperty, shown);
    edit->setText(shown);
}

std::string PathText(const QLineEdit* edit) {
    const QString text = edit->text();
    const QVariant shown = edit->property(kShownProperty);
    if (shown.isValid() && shown.toString() == text) {
        return edit->property(kBytesProperty).toByteArray().toStdString();
    }
    return text.toUtf8().toStdString();
}
