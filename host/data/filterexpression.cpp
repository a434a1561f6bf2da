#include "host/data/filterexpression.h"

#include "wire/columns.h"

#include "host/data/fieldvalue.h"
#include "host/services/errors.h"

#include <QHash>

#include <algorithm>

namespace vnd::data::internal
{

namespace
{

[[noreturn]] void malformed(const QString &why)
{
    throw vnd::Error(QStringLiteral("Expressão de filtro inválida: %1").arg(why));
}

struct Token {
    enum class Kind { Name, Text, Number, Op, Open, Close, End };
    Kind kind = Kind::End;
    QString text;
    qsizetype at = 0;
};

class Lexer
{
public:
    explicit Lexer(const QString &s) : m_s(s) {}

    Token next()
    {
        while (m_i < m_s.size() && m_s.at(m_i).isSpace())
            ++m_i;
        Token t;
        t.at = m_i + 1;
        if (m_i >= m_s.size())
            return t;
        const QChar c = m_s.at(m_i);
        if (c == u'\'')
            return quoted(t);
        if (c == u'(' || c == u')') {
            t.kind = c == u'(' ? Token::Kind::Open : Token::Kind::Close;
            ++m_i;
            return t;
        }
        if (c == u'=' || c == u'<' || c == u'>' || c == u'!')
            return op(t);
        if (c.isDigit() ||
            ((c == u'-' || c == u'+') && m_i + 1 < m_s.size() && m_s.at(m_i + 1).isDigit()))
            return number(t);
        if (c.isLetter() || c == u'_') {
            t.kind = Token::Kind::Name;
            while (m_i < m_s.size() && (m_s.at(m_i).isLetterOrNumber() || m_s.at(m_i) == u'_'))
                t.text += m_s.at(m_i++);
            return t;
        }
        malformed(QStringLiteral("caractere '%1' inesperado na posição %2.").arg(c).arg(t.at));
    }

private:
    Token quoted(Token t)
    {
        t.kind = Token::Kind::Text;
        ++m_i;
        for (;;) {
            if (m_i >= m_s.size())
                malformed(QStringLiteral("texto sem aspas de fechamento na posição %1.").arg(t.at));
            const QChar c = m_s.at(m_i++);
            if (c != u'\'') {
                t.text += c;
            } else if (m_i < m_s.size() && m_s.at(m_i) == u'\'') {
                t.text += c; // '' stands for one quote
                ++m_i;
            } else {
                return t;
            }
        }
    }

    Token op(Token t)
    {
        t.kind = Token::Kind::Op;
        t.text = m_s.at(m_i++);
        if (m_i < m_s.size() && (m_s.at(m_i) == u'=' || (t.text == u"<" && m_s.at(m_i) == u'>')))
            t.text += m_s.at(m_i++);
        if (t.text == u"!")
            malformed(QStringLiteral("operador '!' inválido na posição %1.").arg(t.at));
        return t;
    }

    Token number(Token t)
    {
        t.kind = Token::Kind::Number;
        t.text += m_s.at(m_i++);
        while (m_i < m_s.size() && (m_s.at(m_i).isDigit() || m_s.at(m_i) == u'.'))
            t.text += m_s.at(m_i++);
        return t;
    }

    const QString &m_s;
    qsizetype m_i = 0;
};

class Parser
{
public:
    explicit Parser(const QString &s) : m_lex(s) { advance(); }

    std::unique_ptr<FilterNode> parse()
    {
        auto root = orExpr();
        if (m_tok.kind != Token::Kind::End)
            malformed(QStringLiteral("texto inesperado na posição %1.").arg(m_tok.at));
        return root;
    }

private:
    void advance() { m_tok = m_lex.next(); }

    bool keyword(const char *word) const
    {
        return m_tok.kind == Token::Kind::Name &&
               m_tok.text.compare(QLatin1StringView(word), Qt::CaseInsensitive) == 0;
    }

    static std::unique_ptr<FilterNode> join(FilterNode::Kind kind, std::unique_ptr<FilterNode> l,
                                            std::unique_ptr<FilterNode> r)
    {
        auto n = std::make_unique<FilterNode>();
        n->kind = kind;
        n->left = std::move(l);
        n->right = std::move(r);
        return n;
    }

    std::unique_ptr<FilterNode> orExpr()
    {
        auto node = andExpr();
        while (keyword("or")) {
            advance();
            node = join(FilterNode::Kind::Or, std::move(node), andExpr());
        }
        return node;
    }

    std::unique_ptr<FilterNode> andExpr()
    {
        auto node = unary();
        while (keyword("and")) {
            advance();
            node = join(FilterNode::Kind::And, std::move(node), unary());
        }
        return node;
    }

    std::unique_ptr<FilterNode> unary()
    {
        if (keyword("not")) {
            advance();
            return join(FilterNode::Kind::Not, unary(), nullptr);
        }
        if (m_tok.kind == Token::Kind::Open) {
            const qsizetype at = m_tok.at;
            advance();
            auto inner = orExpr();
            if (m_tok.kind != Token::Kind::Close)
                malformed(QStringLiteral("parêntese aberto na posição %1 sem fechamento.").arg(at));
            advance();
            return inner;
        }
        return comparison();
    }

    static bool isValue(const Token &t)
    {
        return t.kind == Token::Kind::Text || t.kind == Token::Kind::Number;
    }

    static CompareOp opOf(const QString &s, bool swapped)
    {
        if (s == u"=" || s == u"==")
            return CompareOp::Eq;
        if (s == u"<>" || s == u"!=")
            return CompareOp::Ne;
        if (s == u"<")
            return swapped ? CompareOp::Gt : CompareOp::Lt;
        if (s == u"<=")
            return swapped ? CompareOp::Ge : CompareOp::Le;
        if (s == u">")
            return swapped ? CompareOp::Lt : CompareOp::Gt;
        return swapped ? CompareOp::Le : CompareOp::Ge; // ">="
    }

    std::unique_ptr<FilterNode> comparison()
    {
        const Token lhs = m_tok;
        if (lhs.kind != Token::Kind::Name && !isValue(lhs))
            malformed(QStringLiteral("nome de campo esperado na posição %1.").arg(lhs.at));
        advance();
        if (m_tok.kind != Token::Kind::Op)
            malformed(
                QStringLiteral("operador de comparação esperado na posição %1.").arg(m_tok.at));
        const Token op = m_tok;
        advance();
        const Token rhs = m_tok;
        const bool fieldFirst = lhs.kind == Token::Kind::Name;
        if ((fieldFirst && !isValue(rhs)) || (!fieldFirst && rhs.kind != Token::Kind::Name))
            malformed(QStringLiteral("comparação entre um campo e um valor esperada na "
                                     "posição %1.")
                          .arg(lhs.at));
        advance();
        auto n = std::make_unique<FilterNode>();
        n->field = fieldFirst ? lhs.text : rhs.text;
        n->literal = fieldFirst ? rhs.text : lhs.text;
        n->op = opOf(op.text, !fieldFirst);
        return n;
    }

    Lexer m_lex;
    Token m_tok;
};

FilterLiteral readLiteral(const FilterField &f, const QString &fieldName, const QString &text)
{
    FilterLiteral l;
    if (isTextType(f.type)) {
        l.text = text;
        if (f.type == FieldType::FixedString) {
            while (l.text.endsWith(u' '))
                l.text.chop(1);
        }
        return l;
    }
    if (text.trimmed().isEmpty()) {
        l.null = true;
        return l;
    }
    const auto bad = [&] {
        return vnd::Error(
            QStringLiteral("Valor '%1' inválido para o campo %2 no filtro.").arg(text, fieldName));
    };
    switch (f.type) {
    case FieldType::Integer:
    case FieldType::Float:
        if (!parseNumber(text, l.number))
            throw bad();
        break;
    case FieldType::Date:
    case FieldType::DateTime: {
        QDateTime dt;
        if (!parseDateTime(text, dt))
            throw bad();
        l.stamp = stampOf(dt);
        break;
    }
    case FieldType::Boolean:
        try {
            l.flag = parseText(f.type, text, fieldName).toBool();
        } catch (const vnd::Error &) {
            throw bad();
        }
        break;
    default:
        break;
    }
    return l;
}

bool relation(CompareOp op, int c)
{
    switch (op) {
    case CompareOp::Eq:
        return c == 0;
    case CompareOp::Ne:
        return c != 0;
    case CompareOp::Lt:
        return c < 0;
    case CompareOp::Le:
        return c <= 0;
    case CompareOp::Gt:
        return c > 0;
    case CompareOp::Ge:
        return c >= 0;
    }
    return false;
}

template <typename T> int threeWay(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

std::unique_ptr<FilterNode> parseFilter(const QString &text)
{
    if (text.trimmed().isEmpty())
        malformed(QStringLiteral("expressão vazia."));
    return Parser(text).parse();
}

quint64 combineHash(quint64 seed, quint64 h)
{
    return seed ^ (h + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

namespace
{
constexpr quint64 kNullHash = 0x51ed270b27aa3e9dULL;
} // namespace

quint64 hashNull()
{
    return kNullHash;
}

quint64 hashNumber(double d)
{
    return qHash(d == 0 ? 0.0 : d);
}

quint64 hashStamp(qint64 stamp)
{
    return qHash(stamp);
}

quint64 hashFlag(bool b)
{
    return qHash(int(b));
}

quint64 hashValue(FieldType t, const QVariant &v)
{
    if (isTextType(t))
        return hashText(textView(t, v));
    if (isNullValue(v))
        return kNullHash;
    switch (t) {
    case FieldType::Integer:
        return hashNumber(double(v.toLongLong()));
    case FieldType::Float:
        return hashNumber(v.toDouble());
    case FieldType::Date:
    case FieldType::DateTime:
        return qHash(stampOf(v));
    case FieldType::Boolean:
        return qHash(int(v.toBool()));
    default:
        return 0;
    }
}

quint64 hashLiteral(FieldType t, const FilterLiteral &l)
{
    if (isTextType(t))
        return hashText(QStringView(l.text));
    if (l.null)
        return kNullHash;
    switch (t) {
    case FieldType::Integer:
    case FieldType::Float:
        return hashNumber(l.number);
    case FieldType::Date:
    case FieldType::DateTime:
        return qHash(l.stamp);
    case FieldType::Boolean:
        return qHash(int(l.flag));
    default:
        return 0;
    }
}

struct CompiledFilter::Node {
    FilterNode::Kind kind = FilterNode::Kind::Compare;
    std::unique_ptr<Node> left, right;
    FilterField field;
    CompareOp op = CompareOp::Eq;
    FilterLiteral literal;

    bool test(const RecordCells &cells, const Record *r) const
    {
        switch (kind) {
        case FilterNode::Kind::And:
            return left->test(cells, r) && right->test(cells, r);
        case FilterNode::Kind::Or:
            return left->test(cells, r) || right->test(cells, r);
        case FilterNode::Kind::Not:
            return !left->test(cells, r);
        case FilterNode::Kind::Compare:
            break;
        }
        const QVariant v = field.calculated ? cells.calc(r, field.slot) : cells.data(r, field.slot);
        if (isTextType(field.type))
            return relation(op, textView(field.type, v).compare(literal.text));
        const bool vNull = isNullValue(v);
        if (vNull || literal.null) {
            const bool equal = vNull && literal.null;
            return op == CompareOp::Eq ? equal : (op == CompareOp::Ne ? !equal : false);
        }
        switch (field.type) {
        case FieldType::Integer:
            return relation(op, threeWay(double(v.toLongLong()), literal.number));
        case FieldType::Float:
            return relation(op, threeWay(v.toDouble(), literal.number));
        case FieldType::Date:
        case FieldType::DateTime:
            return relation(op, threeWay(stampOf(v), literal.stamp));
        case FieldType::Boolean:
            return relation(op, threeWay(int(v.toBool()), int(literal.flag)));
        default:
            return false;
        }
    }
};

CompiledFilter::CompiledFilter(const FilterNode &root, const Resolver &resolve)
{
    // Bound recursively; a free helper could not name the private Node type.
    std::function<std::unique_ptr<Node>(const FilterNode &)> bind =
        [&](const FilterNode &n) -> std::unique_ptr<Node> {
        auto out = std::make_unique<Node>();
        out->kind = n.kind;
        if (n.kind != FilterNode::Kind::Compare) {
            out->left = bind(*n.left);
            if (n.right)
                out->right = bind(*n.right);
            return out;
        }
        const std::optional<FilterField> f = resolve(n.field);
        if (!f)
            throw vnd::Error(QStringLiteral("Campo '%1' não encontrado no filtro.").arg(n.field));
        out->field = *f;
        out->op = n.op;
        out->literal = readLiteral(*f, n.field, n.literal);
        return out;
    };
    m_root = bind(root);

    // Collect the equality terms of the top-level "and" chain.
    std::vector<const Node *> terms;
    bool others = false;
    std::vector<const Node *> pending{m_root.get()};
    while (!pending.empty()) {
        const Node *n = pending.back();
        pending.pop_back();
        if (n->kind == FilterNode::Kind::And) {
            pending.push_back(n->left.get());
            pending.push_back(n->right.get());
        } else if (n->kind == FilterNode::Kind::Compare && n->op == CompareOp::Eq &&
                   !n->field.calculated) {
            terms.push_back(n);
        } else {
            others = true;
        }
    }
    std::sort(terms.begin(), terms.end(),
              [](const Node *a, const Node *b) { return a->field.slot < b->field.slot; });
    m_indexOnly = !others;
    for (const Node *t : terms) {
        if (!m_indexSlots.empty() && m_indexSlots.back() == t->field.slot) {
            m_indexOnly = false; // the evaluation checks the second term on the same field
            continue;
        }
        m_indexSlots.push_back(t->field.slot);
        m_indexTypes.push_back(t->field.type);
        m_indexTexts.push_back(isTextType(t->field.type) ? t->literal.text : QString());
        m_indexKey = combineHash(m_indexKey, hashLiteral(t->field.type, t->literal));
    }
}

CompiledFilter::~CompiledFilter() = default;
CompiledFilter::CompiledFilter(CompiledFilter &&) noexcept = default;
CompiledFilter &CompiledFilter::operator=(CompiledFilter &&) noexcept = default;

bool CompiledFilter::matches(const RecordCells &cells, const Record *r) const
{
    return m_root->test(cells, r);
}

} // namespace vnd::data::internal
