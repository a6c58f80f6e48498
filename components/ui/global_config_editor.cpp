#include "components/ui/global_config_editor.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

namespace tester {
namespace {

// Columns the groups are laid out in.
constexpr std::size_t kColumns = 3;
// A group's header counts as this many rows when the columns are balanced.
constexpr std::size_t kHeaderRows = 2;
// Width of a text line: room for a path.
constexpr int kTextFieldWidth = 220;

QString Q(const std::string& text) { return QString::fromStdString(text); }

std::size_t RowsOf(const GlobalConfigGroup& group) { return group.fields.size() + kHeaderRows; }

// Where each column starts: the groups in order, cut into kColumns runs so that the
// tallest column is as short as it can be.
std::vector<std::size_t> ColumnStarts(const std::vector<GlobalConfigGroup>& groups) {
  const std::size_t n = groups.size();
  if (n <= kColumns) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < n; ++i) starts.push_back(i);
    return starts;
  }
  std::vector<std::size_t> best;
  std::size_t best_height = SIZE_MAX;
  const auto rows = [&](std::size_t from, std::size_t to) {
    std::size_t total = 0;
    for (std::size_t i = from; i < to; ++i) total += RowsOf(groups[i]);
    return total;
  };
  for (std::size_t a = 1; a + 1 < n; ++a) {
    for (std::size_t b = a + 1; b < n; ++b) {
      const std::size_t height = std::max({rows(0, a), rows(a, b), rows(b, n)});
      if (height < best_height) best_height = height, best = {0, a, b};
    }
  }
  return best;
}

}  // namespace

GlobalConfigEditor::GlobalConfigEditor(QWidget* parent) : QWidget(parent) {
  setObjectName("GlobalConfig1");
  auto* columns = new QHBoxLayout(this);
  const std::vector<GlobalConfigGroup>& groups = model_.Groups();
  const std::vector<std::size_t> starts = ColumnStarts(groups);
  for (std::size_t c = 0; c < starts.size(); ++c) {
    auto* column = new QVBoxLayout;
    const std::size_t end = c + 1 < starts.size() ? starts[c + 1] : groups.size();
    for (std::size_t g = starts[c]; g < end; ++g) column->addWidget(MakeGroup(groups[g]));
    column->addStretch(1);
    columns->addLayout(column);
  }
  ShowValues();
}

QWidget* GlobalConfigEditor::MakeGroup(const GlobalConfigGroup& group) {
  auto* box = new QGroupBox(Q(group.title), this);
  auto* form = new QFormLayout(box);
  form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
  for (const GlobalConfigField& field : group.fields) {
    QWidget* input = MakeInput(field);
    input->setToolTip(Q(field.tooltip));
    if (field.key->kind == ValueKind::kFlag) {
      form->addRow(input);  // the check box carries its own label
    } else {
      auto* label = new QLabel(Q(field.label + ":"), box);
      label->setToolTip(Q(field.tooltip));
      label->setBuddy(input);
      form->addRow(label, input);
    }
    fields_.push_back({field.key, input});
  }
  return box;
}

QWidget* GlobalConfigEditor::MakeInput(const GlobalConfigField& field) {
  QWidget* input = nullptr;
  switch (field.key->kind) {
    case ValueKind::kFlag: input = new QCheckBox(Q(field.label), this); break;
    case ValueKind::kInt16:
    case ValueKind::kInt32: {
      auto* spin = new QSpinBox(this);
      spin->setRange(static_cast<int>(field.key->min), static_cast<int>(field.key->max));
      spin->setAlignment(Qt::AlignRight);
      input = spin;
      break;
    }
    default: {
      auto* line = new QLineEdit(this);
      line->setMinimumWidth(kTextFieldWidth);
      input = line;
      break;
    }
  }
  input->setObjectName(Q(std::string(field.key->key)));
  return input;
}

void GlobalConfigEditor::ShowValues() {
  for (const Field& field : fields_) {
    const QString value = Q(model_.Value(*field.key));
    if (auto* check = qobject_cast<QCheckBox*>(field.input)) {
      check->setChecked(value == "1");
    } else if (auto* spin = qobject_cast<QSpinBox*>(field.input)) {
      spin->setValue(value.toInt());
    } else if (auto* line = qobject_cast<QLineEdit*>(field.input)) {
      line->setText(value);
    }
  }
}

std::string GlobalConfigEditor::TextOf(const Field& field) const {
  if (auto* check = qobject_cast<QCheckBox*>(field.input)) return check->isChecked() ? "1" : "0";
  if (auto* spin = qobject_cast<QSpinBox*>(field.input)) return std::to_string(spin->value());
  if (auto* line = qobject_cast<QLineEdit*>(field.input)) return line->text().toStdString();
  return {};
}

std::string GlobalConfigEditor::LoadFrom(const std::string& path) {
  const std::string error = model_.Load(path);
  ShowValues();
  return error;
}

std::string GlobalConfigEditor::SaveTo(const std::string& path) {
  for (const Field& field : fields_) {
    const std::string problem = model_.SetValue(*field.key, TextOf(field));
    if (!problem.empty()) {
      field.input->setFocus();
      return problem;
    }
  }
  return model_.Save(path);
}

}  // namespace tester
