#include "panel/panel_rules.h"

#include <gtest/gtest.h>

namespace {

const QString nfc = QString::fromUtf8("Caf\xC3\xA9");
const QString nfd = QString::fromUtf8("Cafe\xCC\x81");


Tockle rec(const QString& name, double duration) { return Tockle(name, {}, {}, duration); }

QStringList rowTexts(const QList<TotalsRow>& rows)
{
    QStringList out;
    for (const TotalsRow& r : rows)
        out.append(r.name + QLatin1Char('=') + QString::number(r.total));
    return out;
}

} // namespace

TEST(Trimming, CutsExactlyWhiteSpaceAndLineBreaksAtBothEnds)
{
    for (char32_t c : {U' ', U'\t', U'\n', U'\v', U'\f', U'\r', U'\u0085', U'\u00A0', U'\u1680', U'\u2000',
                       U'\u200A', U'\u2028', U'\u2029', U'\u202F', U'\u205F', U'\u3000'}) {
        const QString ws = QString::fromUcs4(&c, 1);
        SCOPED_TRACE(int(c));
        EXPECT_EQ(trimmedName(ws + QStringLiteral("a b") + ws + ws), QStringLiteral("a b"));
    }
    for (char32_t c : {U'\u200B', U'\uFEFF', U'\u180E', U'\u001C', U'\u001F', U'x'}) {
        QString kept = QChar(c) + QStringLiteral("a");
        SCOPED_TRACE(int(c));
        EXPECT_EQ(trimmedName(kept), kept);
    }
    EXPECT_EQ(trimmedName(QStringLiteral(" \n\t ")), QString());
}

TEST(Selection, KeepsAListedNameOrFallsToTheHead)
{
    const QStringList list = {QStringLiteral("Alpha"), QStringLiteral("Gamma")};
    EXPECT_EQ(revalidatedSelection(QStringLiteral("Gamma"), list), QStringLiteral("Gamma"));
    EXPECT_EQ(revalidatedSelection(QStringLiteral("Beta"), list), QStringLiteral("Alpha"));
    EXPECT_EQ(revalidatedSelection(QString(), list), QStringLiteral("Alpha"));
    EXPECT_EQ(revalidatedSelection(QStringLiteral("gamma"), list), QStringLiteral("Alpha"));
    EXPECT_EQ(revalidatedSelection(QStringLiteral("Alpha"), {}), QString());
    EXPECT_EQ(revalidatedSelection(nfd, {nfc}), nfd) << "an equivalent name counts as listed";
}

TEST(StartStop, DisabledRuleInItsOrder)
{
    const QStringList none, some = {QStringLiteral("A")};
    EXPECT_FALSE(startStopEnabled(none, true, QStringLiteral("A"))) << "no projects disables even while tracking";
    EXPECT_TRUE(startStopEnabled(some, true, QString()));
    EXPECT_FALSE(startStopEnabled(some, false, QString()));
    EXPECT_TRUE(startStopEnabled(some, false, QStringLiteral("A")));
}

TEST(Totals, SumsPerNameInListOrderAndCountsTheRunningInterval)
{
    const QStringList projects = {QStringLiteral("Zeta"), nfc, QStringLiteral("Idle"), QStringLiteral("Alpha")};
    const QList<Tockle> tockles = {rec(QStringLiteral("Alpha"), 10), rec(nfd, 1.5), rec(QStringLiteral("Zeta"), 2),
                                   rec(QStringLiteral("Gone"), 99), rec(QStringLiteral("Alpha"), 0.25),
                                   rec(QStringLiteral("alpha"), 7)};
    const QString none;
    EXPECT_EQ(rowTexts(totalsRows({projects, tockles, false, none, 0, none})),
              (QStringList{QStringLiteral("Zeta=2"), nfc + QStringLiteral("=1.5"), QStringLiteral("Alpha=10.25")}));
    const QString idle = QStringLiteral("Idle");
    EXPECT_EQ(rowTexts(totalsRows({projects, tockles, false, none, 0, idle}))[2], QStringLiteral("Idle=0"))
        << "the selected project has a row even at zero";
    EXPECT_EQ(rowTexts(totalsRows({projects, tockles, true, idle, 3.5, none}))[2], QStringLiteral("Idle=3.5"));
    EXPECT_EQ(rowTexts(totalsRows({projects, tockles, true, nfd, 1, none}))[1], nfc + QStringLiteral("=2.5"));
    EXPECT_EQ(rowTexts(totalsRows({projects, tockles, false, idle, 3.5, none})).size(), 3)
        << "elapsed time only counts while tracking";

    // With each record's name given as an index (as the store keeps it), the same sums.
    const QStringList indexNames = {QStringLiteral("Gone"), QStringLiteral("Alpha"), nfd, QStringLiteral("Zeta"),
                                    QStringLiteral("alpha")};
    const QList<quint32> ids = {1, 2, 3, 0, 1, 4};
    EXPECT_EQ(rowTexts(totalsRows({projects, tockles, true, nfd, 1, idle, &ids, &indexNames})),
              rowTexts(totalsRows({projects, tockles, true, nfd, 1, idle})));

    // A name listed twice shows its total twice; a total at or below zero has no row unless selected.
    const QStringList twice = {QStringLiteral("A"), QStringLiteral("A"), QStringLiteral("Neg"), QStringLiteral("Zero")};
    const QList<Tockle> odd = {rec(QStringLiteral("A"), 4), rec(QStringLiteral("Neg"), -5), rec(QStringLiteral("Zero"), 3),
                               rec(QStringLiteral("Zero"), -3)};
    EXPECT_EQ(rowTexts(totalsRows({twice, odd, false, none, 0, none})), (QStringList{QStringLiteral("A=4"), QStringLiteral("A=4")}));
    EXPECT_EQ(rowTexts(totalsRows({twice, odd, false, none, 0, QStringLiteral("Neg")})).last(), QStringLiteral("Neg=-5"));
}

TEST(ShownName, OneLineShortNamesWholeLongOnesCutWithoutSplittingACharacter)
{
    EXPECT_EQ(shownName(QStringLiteral("Design")), QStringLiteral("Design"));
    const QString exact(256, QLatin1Char('a'));
    EXPECT_EQ(shownName(exact), exact);
    const QString cut = shownName(QString(300, QLatin1Char('a')));
    EXPECT_EQ(cut.size(), 257);
    EXPECT_EQ(cut.back(), QChar(0x2026));
    // A pair of surrogates straddling the limit is dropped whole.
    const QString emoji = QString(255, QLatin1Char('a')) + QString::fromUtf8("\xF0\x9F\x98\x80") + QStringLiteral("tail");
    EXPECT_EQ(shownName(emoji), QString(255, QLatin1Char('a')) + QChar(0x2026));
    // One line, whatever breaks the name holds; tabs and other spaces stay.
    EXPECT_EQ(shownName(QStringLiteral("a\nb\r\nc\u2028d\u0085e\tf")),
              QStringLiteral("a b  c d e\tf"));
}
