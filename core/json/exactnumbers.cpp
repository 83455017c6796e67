#include "core/json/exactnumbers.h"

#include <QHash>
#include <QLocale>
#include <QMutex>
#include <QMutexLocker>
#include <QVariant>

#include <atomic>
#include <cmath>
#include <cstring>
#include <deque>

namespace {

// Decimal digits a double holds for any number: every decimal of this many significant
// digits, within the magnitudes below, comes back from it with its value.
constexpr int kDoubleDigits = 15;
constexpr int kLargestSafeMagnitude = 300;
// An exponent of more digits than this is compared as written.
constexpr int kLongestExponent = 15;

// A quiet NaN with this bit of its payload set names an exact number; the rest of the
// payload is its place in the table. A NaN that arithmetic makes has an empty payload.
constexpr quint64 kExactTag = 0x7FFC000000000000ULL;
constexpr quint64 kTagMask = 0xFFFC000000000000ULL;
constexpr quint64 kIndexMask = ~kTagMask;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

const char *skipDigits(const char *p, const char *end)
{
    while (p < end && isDigit(*p))
        ++p;
    return p;
}

// A number token in its parts: the digits before and after the point, and the exponent.
struct Decimal
{
    bool negative = false;
    const char *intBegin = nullptr;
    const char *intEnd = nullptr;
    const char *fracBegin = nullptr;
    const char *fracEnd = nullptr;
    qint64 exponent = 0;
    bool longExponent = false;
    bool isNumber = false; // digits, and digits after an "e"
    // Of the digits before and after the point taken as one row: the first and the last that
    // is not 0, -1 for a zero.
    int first = -1;
    int last = -1;

    int intLength() const { return int(intEnd - intBegin); }
    char digit(int i) const { return i < intLength() ? intBegin[i] : fracBegin[i - intLength()]; }
    // Powers of ten of the first and last significant digit.
    qint64 magnitude() const { return intLength() - 1 - first + exponent; }
    qint64 lastPower() const { return intLength() - 1 - last + exponent; }
};

Decimal readDecimal(const char *p, const char *end)
{
    Decimal d;
    if (p < end && *p == '-') {
        d.negative = true;
        ++p;
    }
    d.intBegin = p;
    p = d.intEnd = skipDigits(p, end);
    d.fracBegin = d.fracEnd = p;
    if (p < end && *p == '.') {
        d.fracBegin = ++p;
        p = d.fracEnd = skipDigits(p, end);
    }
    const int digits = d.intLength() + int(d.fracEnd - d.fracBegin);
    d.isNumber = digits > 0;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negativeExponent = false;
        if (p < end && (*p == '+' || *p == '-'))
            negativeExponent = *p++ == '-';
        while (p < end && *p == '0' && p + 1 < end && isDigit(p[1]))
            ++p;
        const char *exponentEnd = skipDigits(p, end);
        d.isNumber = d.isNumber && exponentEnd > p;
        d.longExponent = exponentEnd - p > kLongestExponent;
        if (!d.longExponent && exponentEnd > p) {
            d.exponent = QByteArray(p, int(exponentEnd - p)).toLongLong();
            if (negativeExponent)
                d.exponent = -d.exponent;
        }
    }
    for (int i = 0; i < digits; ++i) {
        if (d.digit(i) != '0') {
            if (d.first < 0)
                d.first = i;
            d.last = i;
        }
    }
    return d;
}

// The value of a number token in one spelling: the significant digits and the power of ten
// of the last one, "-25e-1"; "0" for every zero.
QByteArray canonicalNumber(const QByteArray &token)
{
    const Decimal d = readDecimal(token.constBegin(), token.constEnd());
    if (d.longExponent)
        return "as written " + token;
    if (d.first < 0)
        return "0";
    QByteArray text;
    if (d.negative)
        text += '-';
    for (int i = d.first; i <= d.last; ++i)
        text += d.digit(i);
    return text + 'e' + QByteArray::number(d.lastPower());
}

struct ExactNumber
{
    QByteArray text;
    QByteArray canonical;
};

// Every exact number made in this process, each text once: the same number read again
// names the same place.
struct Table
{
    QMutex mutex;
    std::deque<ExactNumber> numbers;
    QHash<QByteArray, quint64> places;
};

Table &table()
{
    static Table numbers;
    return numbers;
}

std::atomic<bool> inUse{false};

quint64 bitsOf(double number)
{
    quint64 bits = 0;
    std::memcpy(&bits, &number, sizeof bits);
    return bits;
}

ExactNumber numberAt(quint64 place)
{
    Table &numbers = table();
    const QMutexLocker lock(&numbers.mutex);
    return place < numbers.numbers.size() ? numbers.numbers[place] : ExactNumber();
}

// The toolkit's text of a number it holds: an integer as an integer, a double in the
// shortest text that reads back as it.
QByteArray plainNumberText(const QJsonValue &value)
{
    const QVariant variant = value.toVariant();
    if (variant.userType() == QMetaType::LongLong)
        return QByteArray::number(variant.toLongLong());
    const double number = value.toDouble();
    if (!std::isfinite(number))
        return QByteArrayLiteral("not a number");
    return QByteArray::number(number, 'g', QLocale::FloatingPointShortest);
}

QByteArray canonicalOf(const QJsonValue &value)
{
    if (isExactNumber(value))
        return numberAt(bitsOf(value.toDouble()) & kIndexMask).canonical;
    return canonicalNumber(plainNumberText(value));
}

} // namespace

const char *numberTokenEnd(const char *begin, const char *end)
{
    const char *p = begin;
    if (p < end && *p == '-')
        ++p;
    p = (p < end && *p == '0') ? p + 1 : skipDigits(p, end);
    if (p < end && *p == '.')
        p = skipDigits(p + 1, end);
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < end && (*p == '+' || *p == '-'))
            ++p;
        p = skipDigits(p, end);
    }
    return p;
}

bool needsExactNumber(const char *begin, const char *end)
{
    const Decimal d = readDecimal(begin, end);
    if (!d.isNumber)
        return false;
    if (d.first < 0)
        return d.negative;
    if (d.longExponent || d.last - d.first + 1 > kDoubleDigits)
        return true;
    const qint64 magnitude = d.magnitude();
    return magnitude > kLargestSafeMagnitude || magnitude < -kLargestSafeMagnitude;
}

QJsonValue exactNumber(const QByteArray &token)
{
    Table &numbers = table();
    quint64 place = 0;
    {
        const QMutexLocker lock(&numbers.mutex);
        const auto known = numbers.places.constFind(token);
        if (known != numbers.places.constEnd()) {
            place = known.value();
        } else {
            place = numbers.numbers.size();
            numbers.numbers.push_back({token, canonicalNumber(token)});
            numbers.places.insert(token, place);
        }
    }
    inUse.store(true, std::memory_order_relaxed);
    const quint64 bits = kExactTag | (place & kIndexMask);
    double number = 0;
    std::memcpy(&number, &bits, sizeof number);
    return QJsonValue(number);
}

bool isExactNumber(const QJsonValue &value)
{
    return value.isDouble() && (bitsOf(value.toDouble()) & kTagMask) == kExactTag;
}

QByteArray exactNumberText(const QJsonValue &value)
{
    if (!isExactNumber(value))
        return {};
    return numberAt(bitsOf(value.toDouble()) & kIndexMask).text;
}

bool exactNumbersInUse()
{
    return inUse.load(std::memory_order_relaxed);
}

bool sameNumber(const QJsonValue &a, const QJsonValue &b)
{
    if (!isExactNumber(a) && !isExactNumber(b))
        return a.toDouble() == b.toDouble();
    return canonicalOf(a) == canonicalOf(b);
}
