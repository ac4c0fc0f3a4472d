#include "editor/Failures.h"

#include <QDebug>

namespace tarvo {

namespace {
std::function<void(const QString&)>& reporter() {
    static std::function<void(const QString&)> r;
    return r;
}
}  // namespace

void setFailureReporter(std::function<void(const QString& text)> r) {
    reporter() = std::move(r);
}

void reportFailure(const QString& text) {
    if (reporter()) {
        reporter()(text);
    } else {
        qWarning().noquote() << text;
    }
}

}  // namespace tarvo
