#pragma once
// The filter expressions of client datasets: "F = 'v' and (G <> 'w' or H >= '31/12/2024')".
// Parsed once into a tree, then bound to the dataset's fields with typed literals.

#include "host/data/datasetrecord.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vnd::data::internal
{

enum class CompareOp { Eq, Ne, Lt, Le, Gt, Ge };

struct FilterNode {
    enum class Kind { And, Or, Not, Compare };
    Kind kind = Kind::Compare;
    std::unique_ptr<FilterNode> left, right; // Not uses left only
    QString field;
    CompareOp op = CompareOp::Eq;
    QString literal;
};

// Throws vnd::Error with a Portuguese message when the text is malformed.
std::unique_ptr<FilterNode> parseFilter(const QString &text);

// Where a field's value lives in a record.
struct FilterField {
    FieldType type = FieldType::String;
    bool calculated = false;
    int slot = 0;
};

// A comparison literal, read in the type of the field it is compared with.
struct FilterLiteral {
    bool null = false;
    QString text;
    double number = 0;
    qint64 stamp = 0;
    bool flag = false;
};

quint64 combineHash(quint64 seed, quint64 h);
// Equal values (as the filter compares them) hash equally.
quint64 hashValue(FieldType t, const QVariant &v);
quint64 hashLiteral(FieldType t, const FilterLiteral &l);
// The parts hashValue is made of, for values read without a QVariant.
quint64 hashNull();
quint64 hashNumber(double d);
quint64 hashStamp(qint64 stamp);
quint64 hashFlag(bool b);

class CompiledFilter
{
public:
    using Resolver = std::function<std::optional<FilterField>(const QString &name)>;
    // Throws vnd::Error for an unknown field or a literal that does not fit its field.
    CompiledFilter(const FilterNode &root, const Resolver &resolve);
    ~CompiledFilter();
    CompiledFilter(CompiledFilter &&) noexcept;
    CompiledFilter &operator=(CompiledFilter &&) noexcept;

    bool matches(const RecordCells &cells, const Record *r) const;

    // Equality terms on data fields joined by "and" at the top level: a hash index over
    // these slots (ascending) finds every candidate row.
    const std::vector<int> &indexSlots() const { return m_indexSlots; }
    const std::vector<FieldType> &indexTypes() const { return m_indexTypes; }
    quint64 indexKey() const { return m_indexKey; }
    // The terms' texts, in the order of indexSlots() (empty for other types).
    const std::vector<QString> &indexTexts() const { return m_indexTexts; }
    // The whole expression is those equality terms, nothing else.
    bool indexOnly() const { return m_indexOnly; }

private:
    struct Node;
    std::unique_ptr<Node> m_root;
    std::vector<int> m_indexSlots;
    std::vector<FieldType> m_indexTypes;
    quint64 m_indexKey = 0;
    std::vector<QString> m_indexTexts;
    bool m_indexOnly = false;
};

} // namespace vnd::data::internal
