#include "desktop/inputmethod.h"

#include <QEvent>
#include <QInputMethodQueryEvent>
#include <QLineEdit>

namespace {

// The input context asks the focus widget whether it takes input-method text (Qt::ImEnabled) and
// starts the IME on yes. QLineEdit answers from its own state, not Qt::WA_InputMethodEnabled.
class InputMethodOff : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::InputMethodQuery)
            return false;
        auto *query = static_cast<QInputMethodQueryEvent *>(event);
        if (!(query->queries() & Qt::ImEnabled))
            return false;
        // Let the field answer everything else it was asked (cursor, surrounding text...).
        watched->event(event);
        query->setValue(Qt::ImEnabled, false);
        return true;
    }
};

} // namespace

void koyomix::keepInputMethodOff(QLineEdit *field)
{
    field->setAttribute(Qt::WA_InputMethodEnabled, false);
    field->setInputMethodHints(Qt::ImhDigitsOnly | Qt::ImhNoPredictiveText);
    field->installEventFilter(new InputMethodOff(field));
}
