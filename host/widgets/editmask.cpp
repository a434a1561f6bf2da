#include "host/widgets/editmask.h"

#include <QList>

namespace vnd::widgets
{

namespace
{

// One position of a mask: either an input slot or a literal character.
struct Slot {
    bool input = false;
    QChar qtCode;  // input: the Qt mask character
    QChar literal; // literal: the character shown
};

struct Parsed {
    QList<Slot> cells;
    QString qtMask;
};

bool isQtSpecial(QChar c)
{
    static const QString specials = QStringLiteral("AaNnXx90DdHhBb#><![]{}\\");
    return specials.contains(c);
}

Parsed parseMaskPart(const QString &mask)
{
    Parsed p;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const QChar c = mask[i];
        auto input = [&p](QChar qt) {
            p.cells.append(Slot{true, qt, {}});
            p.qtMask += qt;
        };
        auto literal = [&p](QChar lit) {
            p.cells.append(Slot{false, {}, lit});
            if (isQtSpecial(lit))
                p.qtMask += u'\\';
            p.qtMask += lit;
        };
        switch (c.unicode()) {
        case '0':
            input(u'9');
            break;
        case '9':
            input(u'0');
            break;
        case '#':
            input(u'#');
            break;
        case 'L':
            input(u'A');
            break;
        case 'l':
            input(u'a');
            break;
        case 'A':
            input(u'N');
            break;
        case 'a':
            input(u'n');
            break;
        case 'C':
            input(u'X');
            break;
        case 'c':
            input(u'x');
            break;
        case '!':
            break;
        case '_':
            literal(u' ');
            break;
        case '>':
            p.qtMask += u'>';
            break;
        case '<':
            if (i + 1 < mask.size() && mask[i + 1] == u'>') {
                p.qtMask += u'!';
                ++i;
            } else {
                p.qtMask += u'<';
            }
            break;
        case '\\':
            if (i + 1 < mask.size())
                literal(mask[++i]);
            break;
        default:
            literal(c);
            break;
        }
    }
    return p;
}

} // namespace

HostMask parseHostMask(const QString &hostMask)
{
    HostMask m;
    // Split at unescaped semicolons: at most mask;save;blank.
    QList<qsizetype> cuts;
    for (qsizetype i = 0; i < hostMask.size(); ++i) {
        if (hostMask[i] == u'\\') {
            ++i;
            continue;
        }
        if (hostMask[i] == u';')
            cuts.append(i);
    }
    if (cuts.size() >= 2) {
        const qsizetype a = cuts[cuts.size() - 2], b = cuts.last();
        m.mask = hostMask.left(a);
        m.saveLiterals = hostMask.mid(a + 1, b - a - 1).trimmed() != u"0";
        const QString blank = hostMask.mid(b + 1);
        if (!blank.isEmpty())
            m.blank = blank[0];
    } else if (cuts.size() == 1) {
        m.mask = hostMask.left(cuts[0]);
        m.saveLiterals = hostMask.mid(cuts[0] + 1).trimmed() != u"0";
    } else {
        m.mask = hostMask;
    }
    for (qsizetype i = 0; i < m.mask.size(); ++i) {
        if (m.mask[i] == u'\\')
            ++i;
        else if (m.mask[i] == u'!')
            m.trim = true;
    }
    return m;
}

QString toQtInputMask(const QString &hostMask)
{
    const HostMask m = parseHostMask(hostMask);
    if (m.isEmpty())
        return {};
    return parseMaskPart(m.mask).qtMask + u';' + m.blank;
}

QString maskedToStored(const QString &hostMask, const QString &displayText)
{
    const HostMask m = parseHostMask(hostMask);
    if (m.isEmpty())
        return displayText;
    const Parsed p = parseMaskPart(m.mask);
    QString out;
    for (qsizetype i = 0; i < displayText.size(); ++i) {
        const bool literal = i < p.cells.size() && !p.cells[i].input;
        if (literal && !m.saveLiterals)
            continue;
        const QChar c = displayText[i];
        out += (!literal && c == m.blank) ? QChar(u' ') : c;
    }
    // Empty positions at the end are not part of the value. With '!' the optional positions
    // are leading blanks and stay where the mask shows them (" 9:30" is " 930", not "930",
    // which would read as 93:0); a text of blanks only is empty.
    if (m.trim && out.trimmed().isEmpty())
        return QString();
    while (out.endsWith(u' '))
        out.chop(1);
    return out;
}

QString formatMaskText(const QString &hostMask, const QString &stored)
{
    const HostMask m = parseHostMask(hostMask);
    if (m.isEmpty() || stored.isEmpty())
        return stored;
    const Parsed p = parseMaskPart(m.mask);
    int inputs = 0;
    bool showsLiterals = stored.size() == p.cells.size();
    for (qsizetype i = 0; i < p.cells.size(); ++i) {
        if (p.cells[i].input)
            ++inputs;
        else if (showsLiterals && stored[i] != p.cells[i].literal)
            showsLiterals = false;
    }
    if (showsLiterals)
        return stored;
    // Optional positions are filled from the right with '!', from the left otherwise.
    QString chars = stored;
    if (chars.size() < inputs)
        chars = m.trim ? chars.rightJustified(inputs, u' ') : chars.leftJustified(inputs, u' ');
    QString out;
    qsizetype k = 0;
    for (const Slot &s : p.cells)
        out += s.input ? (k < chars.size() ? chars[k++] : QChar(u' ')) : s.literal;
    return out;
}

} // namespace vnd::widgets
