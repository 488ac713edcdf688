// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests of Port::StringBase: bounds of ranges, searches, trimming, comparison, formatting and splitting.
#include <Port/StringBase.h>

#include <QtTest/QtTest>

#include <cstdio>
#include <cstring>
#include <type_traits>

using Port::StringBase;

Q_DECLARE_METATYPE(Port::CompareType)
Q_DECLARE_METATYPE(Port::TrimType)

namespace {

constexpr uint kHuge = 0xFFFFFFFFu;

QByteArray bytes(const StringBase &s)
{
    return QByteArray(s.c_str(), static_cast<int>(s.Length()));
}

StringBase fromBytes(const QByteArray &b)
{
    return StringBase(b.constData(), static_cast<std::uint32_t>(b.size()));
}

QList<QByteArray> bytes(const std::vector<StringBase> &pieces)
{
    QList<QByteArray> out;
    for (const StringBase &piece : pieces)
        out << bytes(piece);
    return out;
}

} // namespace

class TestStringBase : public QObject
{
    Q_OBJECT

private slots:
    void bufferIsFirstMember();
    void nullAndEmptyAreEmpty();
    void lengthConstructorStopsAtNul_data();
    void lengthConstructorStopsAtNul();
    void substring_data();
    void substring();
    void copyMoveAndSelfAssignment();
    void assignFromOwnBuffer();
    void search_data();
    void search();
    void searchInRange_data();
    void searchInRange();
    void trim_data();
    void trim();
    void compare_data();
    void compare();
    void formatHasNoLengthLimit();
    void formatKeepsPercentInArguments();
    void failedFormatLeavesEmpty();
    void split_data();
    void split();
};

void TestStringBase::bufferIsFirstMember()
{
    // The family's code reads the buffer pointer straight from the object.
    static_assert(std::is_standard_layout_v<StringBase>);
    const StringBase s("family");
    const char *first = nullptr;
    std::memcpy(&first, &s, sizeof first);
    QCOMPARE(static_cast<const void *>(first), static_cast<const void *>(s.c_str()));
}

void TestStringBase::nullAndEmptyAreEmpty()
{
    const StringBase values[] = {StringBase(), StringBase(nullptr), StringBase(""), StringBase(nullptr, 5)};
    for (const StringBase &s : values) {
        QVERIFY(s.c_str() != nullptr);
        QCOMPARE(s.c_str()[0], '\0');
        QVERIFY(s.IsEmpty());
    }
    StringBase s("x");
    s = static_cast<const char *>(nullptr);
    QVERIFY(s.IsEmpty());
    QVERIFY(s.c_str() != nullptr);
}

void TestStringBase::lengthConstructorStopsAtNul_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<uint>("length");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("shorter than text") << QByteArray("abc") << 2u << QByteArray("ab");
    QTest::newRow("zero") << QByteArray("abc") << 0u << QByteArray();
    QTest::newRow("embedded NUL") << QByteArray("ab\0cd", 5) << 5u << QByteArray("ab");
    // The terminator of the buffer bounds the read, whatever the length says.
    QTest::newRow("huge length") << QByteArray("abc") << kHuge << QByteArray("abc");
}

void TestStringBase::lengthConstructorStopsAtNul()
{
    QFETCH(QByteArray, buffer);
    QFETCH(uint, length);
    QFETCH(QByteArray, expected);
    QCOMPARE(bytes(StringBase(buffer.constData(), length)), expected);
}

void TestStringBase::substring_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<uint>("first");
    QTest::addColumn<uint>("last");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("whole") << QByteArray("abc") << 0u << 2u << QByteArray("abc");
    QTest::newRow("one char") << QByteArray("abc") << 1u << 1u << QByteArray("b");
    QTest::newRow("empty range") << QByteArray("abc") << 1u << 0u << QByteArray();
    QTest::newRow("last beyond end") << QByteArray("abc") << 1u << 100u << QByteArray("bc");
    QTest::newRow("last at max") << QByteArray("abc") << 0u << kHuge << QByteArray("abc");
    QTest::newRow("first past end, huge last") << QByteArray("abc") << 5u << kHuge << QByteArray();
    QTest::newRow("first max minus one") << QByteArray("abc") << (kHuge - 1) << kHuge << QByteArray();
    QTest::newRow("empty source") << QByteArray() << 0u << kHuge << QByteArray();
}

void TestStringBase::substring()
{
    QFETCH(QByteArray, text);
    QFETCH(uint, first);
    QFETCH(uint, last);
    QFETCH(QByteArray, expected);
    const StringBase sub(fromBytes(text), Port_Range(first, last));
    QCOMPARE(bytes(sub), expected);
    QCOMPARE(std::strlen(sub.c_str()), static_cast<std::size_t>(sub.Length()));
}

void TestStringBase::copyMoveAndSelfAssignment()
{
    StringBase a("alpha");
    StringBase copy(a);
    QVERIFY(copy.c_str() != a.c_str());
    QVERIFY(copy == a);

    StringBase moved(std::move(a));
    QCOMPARE(bytes(moved), QByteArray("alpha"));
    QVERIFY(a.IsEmpty()); // NOLINT(bugprone-use-after-move): the moved-from state is the point
    QVERIFY(a.c_str() != nullptr);

    StringBase &alias = moved;
    moved = alias;
    QCOMPARE(bytes(moved), QByteArray("alpha"));
    moved = std::move(alias);
    QCOMPARE(bytes(moved), QByteArray("alpha"));

    StringBase target("a much longer previous value");
    target = std::move(moved);
    QCOMPARE(bytes(target), QByteArray("alpha"));
    QVERIFY(target != StringBase("alph"));
    QVERIFY(target != StringBase("alphb"));
}

void TestStringBase::assignFromOwnBuffer()
{
    StringBase s("prefix-rest");
    s = s.c_str() + 7;
    QCOMPARE(bytes(s), QByteArray("rest"));
    s.Format("%s+%s", s.c_str(), s.c_str());
    QCOMPARE(bytes(s), QByteArray("rest+rest"));
}

void TestStringBase::search_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("needle");
    QTest::addColumn<Port::CompareType>("type");
    QTest::addColumn<uint>("expected");

    const Port::CompareType exact = Port::CompareExact;
    const Port::CompareType noCase = Port::ComparePrefixNoCase;
    QTest::newRow("exact found") << QByteArray("openURL(%1)") << QByteArray("URL") << exact << 4u;
    QTest::newRow("exact case differs") << QByteArray("openURL") << QByteArray("url") << exact << kHuge;
    QTest::newRow("no case found") << QByteArray("openURL") << QByteArray("url") << noCase << 4u;
    QTest::newRow("overlapping restart") << QByteArray("aaab") << QByteArray("aab") << exact << 1u;
    QTest::newRow("needle longer") << QByteArray("ab") << QByteArray("abc") << noCase << kHuge;
    QTest::newRow("empty needle") << QByteArray("ab") << QByteArray() << exact << 0u;
    QTest::newRow("empty text") << QByteArray() << QByteArray("a") << exact << kHuge;
    QTest::newRow("non-letters not folded") << QByteArray("a[b") << QByteArray("{") << noCase << kHuge;
}

void TestStringBase::search()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, needle);
    QFETCH(Port::CompareType, type);
    QFETCH(uint, expected);
    QCOMPARE(fromBytes(text).GetIndexOfString(needle.constData(), type), expected);
}

void TestStringBase::searchInRange_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<uint>("first");
    QTest::addColumn<uint>("last");
    QTest::addColumn<QByteArray>("needle");
    QTest::addColumn<Port::CompareType>("type");
    QTest::addColumn<uint>("expected");

    const Port::CompareType exact = Port::CompareExact;
    const Port::CompareType noCase = Port::ComparePrefixNoCase;
    QTest::newRow("match before range skipped") << QByteArray("abcabc") << 1u << 5u << QByteArray("abc") << exact << 3u;
    QTest::newRow("match crossing range end") << QByteArray("xxabc") << 0u << 3u << QByteArray("abc") << exact << kHuge;
    QTest::newRow("last at max") << QByteArray("abcabc") << 4u << kHuge << QByteArray("bc") << exact << 4u;
    QTest::newRow("no case in range") << QByteArray("abcABC") << 1u << 10u << QByteArray("abc") << noCase << 3u;
    QTest::newRow("first past end") << QByteArray("abc") << 5u << kHuge << QByteArray("a") << exact << kHuge;
    QTest::newRow("empty range") << QByteArray("abc") << 2u << 1u << QByteArray("b") << exact << kHuge;
    QTest::newRow("empty needle at range start") << QByteArray("abc") << 2u << 2u << QByteArray() << exact << 2u;
    QTest::newRow("empty needle past end") << QByteArray("abc") << 3u << 9u << QByteArray() << exact << kHuge;
}

void TestStringBase::searchInRange()
{
    QFETCH(QByteArray, text);
    QFETCH(uint, first);
    QFETCH(uint, last);
    QFETCH(QByteArray, needle);
    QFETCH(Port::CompareType, type);
    QFETCH(uint, expected);
    QCOMPARE(fromBytes(text).GetIndexOfString(Port_Range(first, last), fromBytes(needle), type), expected);
}

void TestStringBase::trim_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("set");
    QTest::addColumn<Port::TrimType>("type");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("leading") << QByteArray("  a b  ") << QByteArray(" ") << Port::TrimLeading << QByteArray("a b  ");
    QTest::newRow("trailing") << QByteArray("  a b  ") << QByteArray(" ") << Port::TrimTrailing << QByteArray("  a b");
    QTest::newRow("both") << QByteArray("  a b  ") << QByteArray(" ") << Port::TrimBoth << QByteArray("a b");
    QTest::newRow("mixed set") << QByteArray("\t\n x\r\n") << QByteArray(" \t\r\n") << Port::TrimBoth << QByteArray("x");
    QTest::newRow("all removed") << QByteArray("....") << QByteArray(".") << Port::TrimBoth << QByteArray();
    QTest::newRow("empty set") << QByteArray(" a ") << QByteArray() << Port::TrimBoth << QByteArray(" a ");
    QTest::newRow("nothing to trim") << QByteArray("a") << QByteArray(" ") << Port::TrimBoth << QByteArray("a");
}

void TestStringBase::trim()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, set);
    QFETCH(Port::TrimType, type);
    QFETCH(QByteArray, expected);
    StringBase s = fromBytes(text);
    s.Trim(set.constData(), type);
    QCOMPARE(bytes(s), expected);
    s.Trim(nullptr, Port::TrimBoth);
    QCOMPARE(bytes(s), expected);
}

void TestStringBase::compare_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("other");
    QTest::addColumn<Port::CompareType>("type");
    QTest::addColumn<int>("expected");

    const Port::CompareType exact = Port::CompareExact;
    const Port::CompareType noCase = Port::ComparePrefixNoCase;
    QTest::newRow("exact equal") << QByteArray("abc") << QByteArray("abc") << exact << 0;
    QTest::newRow("exact longer") << QByteArray("abc") << QByteArray("ab") << exact << 1;
    QTest::newRow("exact case") << QByteArray("abc") << QByteArray("ABC") << exact << 1;
    QTest::newRow("exact high byte") << QByteArray("\xe9") << QByteArray("e") << exact << 1;
    QTest::newRow("prefix with arguments") << QByteArray("openURL(%1)") << QByteArray("openURL") << noCase << 0;
    QTest::newRow("prefix case") << QByteArray("-REMOTE") << QByteArray("-remote") << noCase << 0;
    QTest::newRow("prefix too short") << QByteArray("-remot") << QByteArray("-remote") << noCase << -1;
    QTest::newRow("prefix differs") << QByteArray("-remote") << QByteArray("-remove") << noCase << -1;
    QTest::newRow("empty prefix") << QByteArray("abc") << QByteArray() << noCase << 0;
}

void TestStringBase::compare()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, other);
    QFETCH(Port::CompareType, type);
    QFETCH(int, expected);
    const StringBase s = fromBytes(text);
    QCOMPARE(s.Compare(other.constData(), type), expected);
    if (other.isEmpty())
        QCOMPARE(s.Compare(nullptr, type), expected);
}

void TestStringBase::formatHasNoLengthLimit()
{
    const QByteArray big(5000, 'x');
    StringBase s;
    s.Format("[%s]%d", big.constData(), 42);
    QCOMPARE(bytes(s), '[' + big + "]42");
}

void TestStringBase::formatKeepsPercentInArguments()
{
    StringBase s;
    s.Format("%s", "100% %s %n");
    QCOMPARE(bytes(s), QByteArray("100% %s %n"));
}

void TestStringBase::failedFormatLeavesEmpty()
{
    // A wide character no multibyte encoding has makes vsnprintf fail.
    const wchar_t invalid[] = {static_cast<wchar_t>(-1), 0};
    if (std::snprintf(nullptr, 0, "%ls", invalid) >= 0)
        QSKIP("this C library formats the invalid wide character");
    StringBase s("previous");
    s.Format("%ls", invalid);
    QVERIFY(s.IsEmpty());
}

void TestStringBase::split_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("separators");
    QTest::addColumn<bool>("skipEmpty");
    QTest::addColumn<QByteArray>("quotes");
    QTest::addColumn<QByteArray>("escapes");
    QTest::addColumn<QList<QByteArray>>("expected");

    using L = QList<QByteArray>;
    const QByteArray none;
    QTest::newRow("keep empty") << QByteArray("a,,b") << QByteArray(",") << false << none << none << L{"a", "", "b"};
    QTest::newRow("skip empty") << QByteArray("a,,b") << QByteArray(",") << true << none << none << L{"a", "b"};
    QTest::newRow("edges kept") << QByteArray(",a,") << QByteArray(",") << false << none << none << L{"", "a", ""};
    QTest::newRow("only separators") << QByteArray(",,,") << QByteArray(",") << true << none << none << L{};
    QTest::newRow("empty text skip") << QByteArray() << QByteArray(",") << true << none << none << L{};
    QTest::newRow("empty text keep") << QByteArray() << QByteArray(",") << false << none << none << L{""};
    QTest::newRow("no separators") << QByteArray("a,b") << QByteArray() << true << none << none << L{"a,b"};
    QTest::newRow("separator set") << QByteArray("a b\tc") << QByteArray(" \t") << true << none << none
                                   << L{"a", "b", "c"};
    QTest::newRow("quoted separator") << QByteArray("a \"b c\" d") << QByteArray(" ") << true << QByteArray("\"")
                                      << none << L{"a", "b c", "d"};
    QTest::newRow("quote mid piece") << QByteArray("x\"a,b\"y,z") << QByteArray(",") << true << QByteArray("\"")
                                     << none << L{"xa,by", "z"};
    QTest::newRow("other quote literal") << QByteArray("'a\"b' \"c'd\"") << QByteArray(" ") << true
                                         << QByteArray("\"'") << none << L{"a\"b", "c'd"};
    QTest::newRow("unclosed quote") << QByteArray("a \"b c") << QByteArray(" ") << true << QByteArray("\"") << none
                                    << L{"a", "b c"};
    QTest::newRow("quoted empty skipped") << QByteArray("a,\"\",b") << QByteArray(",") << true << QByteArray("\"")
                                          << none << L{"a", "b"};
    QTest::newRow("quoted empty kept") << QByteArray("a,\"\",b") << QByteArray(",") << false << QByteArray("\"")
                                       << none << L{"a", "", "b"};
    QTest::newRow("quotes off") << QByteArray("\"a b\"") << QByteArray(" ") << true << none << none
                                << L{"\"a", "b\""};
    QTest::newRow("escaped separator") << QByteArray("a\\,b,c") << QByteArray(",") << true << none
                                       << QByteArray("\\") << L{"a,b", "c"};
    QTest::newRow("escaped escape") << QByteArray("a\\\\,b") << QByteArray(",") << true << none << QByteArray("\\")
                                    << L{"a\\", "b"};
    QTest::newRow("trailing lone escape") << QByteArray("ab\\") << QByteArray(",") << true << none
                                          << QByteArray("\\") << L{"ab\\"};
    QTest::newRow("escaped quote in quotes") << QByteArray("\"a\\\"b\"") << QByteArray(" ") << true
                                             << QByteArray("\"") << QByteArray("\\") << L{"a\"b"};
}

void TestStringBase::split()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, separators);
    QFETCH(bool, skipEmpty);
    QFETCH(QByteArray, quotes);
    QFETCH(QByteArray, escapes);
    QFETCH(QList<QByteArray>, expected);
    const auto pieces = StringBase::Split(fromBytes(text), fromBytes(separators), skipEmpty, fromBytes(quotes),
                                          fromBytes(escapes));
    QCOMPARE(bytes(pieces), expected);
}

QTEST_APPLESS_MAIN(TestStringBase)
#include "tst_stringbase.moc"
