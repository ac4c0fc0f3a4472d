#pragma once

#include <QString>
#include <exception>
#include <functional>
#include <new>

namespace tarvo {

// Where failures of handlers go: the application shows them to the user. Until it says where,
// they are logged.
void setFailureReporter(std::function<void(const QString& text)> reporter);
void reportFailure(const QString& text);

// Runs a handler of ours and reports what it throws, so that nothing crosses the toolkit's own
// frames, which are not built to be unwound. False when it failed.
template <typename F>
bool runGuarded(F&& handler) {
    try {
        handler();
        return true;
    } catch (const std::bad_alloc&) {
        reportFailure(QStringLiteral("There is not enough memory."));
    } catch (const std::exception& e) {
        reportFailure(QString::fromUtf8(e.what()));
    } catch (...) {
        reportFailure(QStringLiteral("An unexpected error occurred."));
    }
    return false;
}

}  // namespace tarvo
