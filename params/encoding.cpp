#include "params/encoding.h"

#include <cmath>
#include <limits>

namespace {

float powerOfTen(int decimals)
{
    float factor = 1.0f;
    for (int i = 0; i < decimals; ++i)
        factor *= 10.0f;
    return factor;
}

} // namespace

int encodeRegisters(qint32 value, int count, WordOrder order, quint16 *registers)
{
    const quint32 bits = quint32(value);
    if (count == 1) {
        registers[0] = quint16(bits & 0xFFFF);
        return 1;
    }
    const quint16 high = quint16(bits >> 16);
    const quint16 low = quint16(bits & 0xFFFF);
    if (order == WordOrder::CdAb) {
        registers[0] = low;
        registers[1] = high;
    } else {
        registers[0] = high;
        registers[1] = low;
    }
    return 2;
}

QString weightTextToRegisterText(const QString &text, const ChannelScale &scale)
{
    const float typed = text.toFloat();
    const float raw = typed * powerOfTen(scale.decimals);
    // Six significant digits cover the device's weight ranges (up to 999999). A
    // larger number would come out in exponent form, which the commit would cut
    // at its decimal point (1.23457e+06 -> 1); write such a value as its integer
    // part instead so the device gets the number that was typed and judges it.
    if (std::fabs(raw) >= 999999.5f && std::isfinite(raw)) {
        const double clamped = qBound(double(std::numeric_limits<qint32>::min()), std::trunc(double(raw)),
            double(std::numeric_limits<qint32>::max()));
        return QString::number(qint64(clamped));
    }
    return QString::number(double(raw), 'g', 6);
}

QString scaledToRegisterText(const QString &text, int factor)
{
    const float typed = text.toFloat();
    const float product = typed * float(factor);
    // The small bias makes up for the single-precision product falling just short
    // of the intended integer (0.29 x 10000 = 2899.9999); it works away from zero
    // so that a negative value loses no digit either (-0.5 mV -> -5000, not -4999).
    double value = double(product) + (product < 0 ? -0.00555 : 0.00555);
    if (!std::isfinite(value))
        value = 0.0;
    value = qBound(double(std::numeric_limits<int>::min()), value, double(std::numeric_limits<int>::max()));
    return QString::number(int(value));
}

int registerTextToInt(const QString &text)
{
    const int point = text.indexOf(QLatin1Char('.'));
    bool ok = false;
    const int value = (point < 0 ? text : text.left(point)).toInt(&ok, 10);
    return ok ? value : 0;
}

QString formatScaled(qint64 raw, int decimals)
{
    decimals = qBound(0, decimals, 9);
    qint64 divisor = 1;
    for (int i = 0; i < decimals; ++i)
        divisor *= 10;
    // Integer arithmetic keeps every digit exact.
    const bool negative = raw < 0;
    const quint64 magnitude = negative ? quint64(-(raw + 1)) + 1 : quint64(raw);
    QString text = QString::number(magnitude / quint64(divisor));
    if (decimals > 0)
        text += QLatin1Char('.')
            + QString::number(magnitude % quint64(divisor)).rightJustified(decimals, QLatin1Char('0'));
    return negative ? QLatin1Char('-') + text : text;
}

QString serialNumberText(const int codes[SerialNumberLength])
{
    QString text;
    for (int i = 0; i < SerialNumberLength; ++i) {
        if (i == 13)
            text.append(QLatin1Char('-'));
        const int code = codes[i];
        text.append(code > 32 && code < 127 ? QChar(code) : QLatin1Char('?'));
    }
    return text;
}
