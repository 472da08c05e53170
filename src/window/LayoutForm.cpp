#include "window/LayoutForm.h"

#include <QBoxLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QTableWidget>

#include "dialogs/DialogSupport.h"
#include "shell/Bridge.h"
#include "shell/LayoutText.h"
#include "window/FeedbackGrid.h"

namespace tenvarra {

namespace {

QTableWidget* MakeTable(const char* Name, const QStringList& Headings, QWidget* Parent) {
  auto* table = new QTableWidget(0, static_cast<int>(Headings.size()), Parent);
  table->setObjectName(QString::fromLatin1(Name));
  table->setHorizontalHeaderLabels(Headings);
  table->verticalHeader()->setVisible(false);
  // Rows are few: the columns follow their contents, the last takes the rest.
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table->horizontalHeader()->setStretchLastSection(true);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setAlternatingRowColors(true);
  return table;
}

// Fills one row, reusing the items already there.
void SetRow(QTableWidget& Table, int Row, const QStringList& Cells) {
  for (int column = 0; column < Cells.size(); ++column) {
    QTableWidgetItem* item = Table.item(Row, column);
    if (!item) {
      item = new QTableWidgetItem;
      Table.setItem(Row, column, item);
    }
    item->setText(Cells[column]);
  }
}

QGroupBox* Group(const QString& Title, QWidget* Content, QWidget* Parent) {
  auto* group = new QGroupBox(Title, Parent);
  auto* layout = new QVBoxLayout(group);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(Content);
  return group;
}

}  // namespace

TLayoutForm::TLayoutForm(TBridge& Bridge, QWidget* Parent)
    : QWidget(Parent, Qt::Window), FBridge(Bridge) {
  setObjectName(QStringLiteral("LayoutForm"));
  setWindowTitle(QStringLiteral("Layout"));

  lbPort = new QLabel(this);
  lbPort->setObjectName(QStringLiteral("lbPort"));
  lbServer = new QLabel(this);
  lbServer->setObjectName(QStringLiteral("lbServer"));
  lbPower = new QLabel(this);
  lbPower->setObjectName(QStringLiteral("lbPower"));
  auto* states = new QHBoxLayout;
  for (QLabel* label : {lbPort, lbServer, lbPower}) {
    label->setFrameShape(QFrame::StyledPanel);
    states->addWidget(label, label == lbPower ? 2 : 1);
  }

  auto* devices = new QSplitter(Qt::Horizontal);
  tbLocos = MakeTable("tbLocos", {"Bus", "Address", "Protocol", "Speed", "Direction", "Light", "Functions"}, devices);
  tbSolenoids = MakeTable("tbSolenoids", {"Bus", "Address", "Port", "Output"}, devices);
  devices->addWidget(Group(QStringLiteral("Locos"), tbLocos, devices));
  devices->addWidget(Group(QStringLiteral("Solenoids"), tbSolenoids, devices));
  devices->setStretchFactor(0, 2);
  devices->setStretchFactor(1, 1);

  FGrid = new TFeedbackGrid(Bridge.Layout());
  FGrid->OnCellClicked = [this](int32_t Module, int32_t Contact) { CellClicked(Module, Contact); };
  auto* parts = new QSplitter(Qt::Vertical);
  parts->addWidget(devices);
  parts->addWidget(Group(QStringLiteral("Feedback"), FGrid, parts));
  parts->setStretchFactor(1, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(states);
  layout->addWidget(parts, 1);
  resize(820, 600);

  FRefreshTimer.setSingleShot(true);
  FRefreshTimer.setInterval(RefreshMs);
  connect(&FRefreshTimer, &QTimer::timeout, this, [this] { Refresh(); });
  Bridge.Layout().OnChange = [this](unsigned Parts) { Changed(Parts); };
}

TLayoutForm::~TLayoutForm() { FBridge.Layout().OnChange = nullptr; }

void TLayoutForm::Changed(unsigned Parts) {
  FDirty |= Parts;
  // A hidden window catches up when it is shown.
  if (isVisible() && !FRefreshTimer.isActive()) FRefreshTimer.start();
}

void TLayoutForm::showEvent(QShowEvent* Event) {
  QWidget::showEvent(Event);
  // Everything, also what no report announces (the port's name).
  FDirty = TLayoutModel::AllParts;
  Refresh();
  if (OnShownChanged) OnShownChanged(true);
}

void TLayoutForm::hideEvent(QHideEvent* Event) {
  QWidget::hideEvent(Event);
  FRefreshTimer.stop();
  if (OnShownChanged) OnShownChanged(false);
}

void TLayoutForm::Refresh() {
  FRefreshTimer.stop();
  if (FDirty & TLayoutModel::lpStates) FillStates();
  if (FDirty & TLayoutModel::lpLocos) FillLocos();
  if (FDirty & TLayoutModel::lpSolenoids) FillSolenoids();
  if (FDirty & TLayoutModel::lpFeedback) FGrid->update();
  FDirty = 0;
  ++FRefreshCount;
}

void TLayoutForm::FillStates() {
  const TLayoutModel& model = FBridge.Layout();
  lbPort->setText(QStringLiteral("Port: ") + Text(PortStateText(model, FBridge.PortName())));
  lbServer->setText(QStringLiteral("Server: ") + QString::fromLatin1(ServerStateText(model)));
  lbPower->setText(QStringLiteral("Power: ") + Text(PowerText(model.Power())));
}

void TLayoutForm::FillLocos() {
  const std::vector<TLocoRow> rows = FBridge.Layout().Locos();
  tbLocos->setRowCount(static_cast<int>(rows.size()));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const TLocoRow& loco = rows[i];
    SetRow(*tbLocos, static_cast<int>(i),
           {QString::number(loco.Bus), QString::number(loco.Address), Text(loco.Protocol), Text(SpeedText(loco)),
            QString::fromLatin1(DriveModeName(loco.Direction)), QString::fromLatin1(OnOffText(loco.Light)),
            Text(FunctionsText(loco))});
  }
}

void TLayoutForm::FillSolenoids() {
  const std::vector<TSolenoidRow> rows = FBridge.Layout().Solenoids();
  tbSolenoids->setRowCount(static_cast<int>(rows.size()));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const TSolenoidRow& solenoid = rows[i];
    SetRow(*tbSolenoids, static_cast<int>(i),
           {QString::number(solenoid.Bus), QString::number(solenoid.Address), QString::number(solenoid.Port),
            QString::fromLatin1(OnOffText(solenoid.On))});
  }
}

void TLayoutForm::CellClicked(int32_t Module, int32_t Contact) {
  if (SetContact)
    SetContact(TLayoutModel::ContactNumber(Module, Contact), !FBridge.Layout().Occupied(Module, Contact));
}

}  // namespace tenvarra
