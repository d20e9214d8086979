#pragma once
#include <QDBusVariant>
#include <QObject>
#include <optional>

// Whether the desktop prefers a dark appearance: the desktop portal's
// org.freedesktop.appearance color-scheme (1 = prefer dark), read
// asynchronously and followed while it changes. Light while the portal is
// absent or has not answered.
class ColorScheme : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool dark READ dark NOTIFY darkChanged)

public:
    static ColorScheme &shared();

    // Asks the portal once and starts listening; later calls do nothing.
    void start();
    bool dark() const { return m_dark; }
    // Tests, and the portal's answers.
    void setDark(bool dark);

    // The portal's value (a uint, possibly wrapped in variants); nullopt
    // when it is not a colour-scheme value at all.
    static std::optional<bool> darkFromValue(const QVariant &value);

signals:
    void darkChanged();

private slots:
    void onSettingChanged(const QString &ns, const QString &key, const QDBusVariant &value);

private:
    explicit ColorScheme(QObject *parent = nullptr) : QObject(parent) {}
    void apply(const QVariant &value);

    bool m_dark = false;
    bool m_started = false;
    bool m_heardChange = false; // a change signal beats an older Read reply
};
