#include "ui/dialogs/serialportcombobox.h"

#include "link/serialports.h"

SerialPortComboBox::SerialPortComboBox(QWidget *parent)
    : QComboBox(parent)
{
}

void SerialPortComboBox::refreshPorts()
{
    const QString chosen = currentPortName();
    const QSignalBlocker blocker(this);
    clear();
    for (const SerialPortEntry &entry : availableSerialPorts())
        addItem(entry.text, entry.portName);
    if (!chosen.isEmpty() && !selectPort(chosen))
        addUnlistedPort(chosen);
}

bool SerialPortComboBox::selectPort(const QString &portName)
{
    for (int i = 0; i < count(); ++i) {
        const QString name = itemData(i).toString();
        if ((name.isEmpty() ? portNameFromListText(itemText(i)) : name) == portName) {
            setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

void SerialPortComboBox::addUnlistedPort(const QString &portName)
{
    addItem(portName, portName);
    setCurrentIndex(count() - 1);
}

QString SerialPortComboBox::currentPortName() const
{
    if (currentIndex() < 0)
        return QString();
    const QString name = currentData().toString();
    return name.isEmpty() ? portNameFromListText(currentText()) : name;
}

void SerialPortComboBox::showPopup()
{
    refreshPorts();
    QComboBox::showPopup();
}
