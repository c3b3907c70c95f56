// The published properties of TZelGrid, in their streaming order and with their stream
// defaults; the control classes it inherits from register theirs in host/controls.
#include "host/controls/ControlProperties.h"
#include "host/controls/Menus.h"
#include "zelgrid/ColumnProperties.h"
#include "zelgrid/Zelgrid.h"

namespace {

void RegisterGridTypes(TPropertyRegistry& R)
{
    const TTypeInfo& option = R.RegisterEnumeration(
        "TZelGridOption", {"dgEditing", "dgAlwaysShowEditor", "dgTitles", "dgIndicator", "dgColumnResize",
                           "dgColLines", "dgRowLines", "dgTabs", "dgRowSelect", "dgAlwaysShowSelection",
                           "dgPopupOnClick", "dgConfirmDelete", "dgCancelOnExit"});
    R.RegisterSet("TZelGridOptions", option, 16);
    for (const char* name : {"TDrawDataCellEvent", "TDrawColumnCellEvent", "TLayoutChangeEvent", "TGetDataCellEvent",
                             "TValidateDataEvent", "TColSizingEvent", "TCopyCellEvent", "TPasteCellEvent",
                             "TCopyRecordEvent", "TPasteRecordEvent", "TAppendRecordEvent", "TDeleteRecordEvent",
                             "TGetRowCountEvent", "TSetDefaultValueEvent", "TGetSummaryEvent", "TMouseCellEvent",
                             "TMoveToRowEvent", "TTitleClickEvent"})
        R.RegisterMethodType(name);
}

} // namespace

void RegisterZelGridProperties(TPropertyRegistry& R)
{
    RegisterColumnModelProperties(R);
    if (R.FindClass("TZelGrid")) return;
    RegisterControlProperties(R);
    RegisterGridTypes(R);

    using G = TZelGrid;
    R.RegisterClass<TCustomZelGrid>("TCustomZelGrid", "TCustomGrid");
    R.RegisterClass<TZelGrid>("TZelGrid", "TCustomZelGrid")
        .Creatable()
        .Property("Layout", R.Type("TZelColLayout"), &G::Layout, &G::SeTZelColLayout)
        .Property("BlindedColor", R.Type("TColor"), &G::BlindedColor, &G::SetBlindedColor)
        .Property("Blinded", R.Type("Boolean"), &G::Blinded, &G::SetBlinded)
        .Property("Flat", R.Type("Boolean"), &G::Flat, &G::SetFlat)
        .Property("StopOnNonVisibleCol", R.Type("Boolean"), &G::StopOnNonVisibleCol, &G::StopOnNonVisibleCol)
        .Default(false)
        .Property("Align", R.Type("TAlign"), &G::Align, &G::SetAlign)
        .Default(alNone)
        .Property("BorderStyle", R.Type("TBorderStyle"), &G::BorderStyle, &G::SetBorderStyle)
        .Default(bsSingle)
        .Property("Color", R.Type("TColor"), &G::Color, &G::SetColor)
        .Default(clWindow)
        .Property("Ctl3D", R.Type("Boolean"), &G::Ctl3D, &G::SetCtl3D)
        .Property("DefaultDrawing", R.Type("Boolean"), &G::DefaultDrawing, &G::DefaultDrawing)
        .Default(true)
        .Property("DragCursor", R.Type("TCursor"), &G::DragCursor, &G::SetDragCursor)
        .Default(crDrag)
        .Property("DragMode", R.Type("TDragMode"), &G::DragMode, &G::SetDragMode)
        .Default(dmManual)
        .Property("Enabled", R.Type("Boolean"), &G::Enabled, &G::SetEnabled)
        .Default(true)
        .Property("FixedColor", R.Type("TColor"), &G::FixedColor, &G::SetFixedColor)
        .Default(clBtnFace)
        .Property("Font", R.Type("TFont"), &G::Font, &G::SetFont)
        .Property("Options", R.Type("TZelGridOptions"), &G::Options, &G::SetOptions)
        .Default(TZelGridOptions::FromBits(DefaultZelGridOptionBits))
        .Property("ParentColor", R.Type("Boolean"), &G::ParentColor, &G::SetParentColor)
        .Default(false)
        .Property("ParentCtl3D", R.Type("Boolean"), &G::ParentCtl3D, &G::SetParentCtl3D)
        .Default(true)
        .Property("ParentFont", R.Type("Boolean"), &G::ParentFont, &G::SetParentFont)
        .Default(true)
        .Property("ParentShowHint", R.Type("Boolean"), &G::ParentShowHint, &G::SetParentShowHint)
        .Default(true)
        .Property("PopupMenu", R.Type("TPopupMenu"), &G::PopupMenu, &G::SetPopupMenu)
        .Property("ReadOnly", R.Type("Boolean"), &G::ReadOnly, &G::ReadOnly)
        .Default(false)
        .Property("ShowHint", R.Type("Boolean"), &G::ShowHint, &G::SetShowHint)
        // Setting ShowHint clears ParentShowHint, so a value that follows the parent stays out.
        .Stored([](const G& Grid) { return !Grid.ParentShowHint(); })
        .Property("TabOrder", R.Type("Integer"), &G::TabOrder, &G::SetTabOrder)
        .Default(-1)
        .Property("TabStop", R.Type("Boolean"), &G::TabStop, &G::SetTabStop)
        .Default(true)
        .Property("TitleFont", R.Type("TFont"), &G::TitleFont, &G::SetTitleFont)
        .Property("Visible", R.Type("Boolean"), &G::Visible, &G::SetVisible)
        .Default(true)
        .Event("OnColEnter", R.Type("TNotifyEvent"), &G::OnColEnter)
        .Event("OnColExit", R.Type("TNotifyEvent"), &G::OnColExit)
        .Event("OnColumnMoved", R.Type("TMovedEvent"), &G::OnColumnMoved)
        .Event("OnDrawDataCell", R.Type("TDrawDataCellEvent"), &G::OnDrawDataCell)
        .Event("OnDrawColumnCell", R.Type("TDrawColumnCellEvent"), &G::OnDrawColumnCell)
        .Event("OnMouseDown", R.Type("TMouseEvent"), &G::OnMouseDown)
        .Event("OnMouseUp", R.Type("TMouseEvent"), &G::OnMouseUp)
        .Event("OnLayoutChange", R.Type("TLayoutChangeEvent"), &G::OnLayoutChange)
        .Event("OnGetDataCell", R.Type("TGetDataCellEvent"), &G::OnGetDataCell)
        .Event("OnValidateData", R.Type("TValidateDataEvent"), &G::OnValidateData)
        .Event("OnColSized", R.Type("TColSizingEvent"), &G::OnColSized)
        .Event("OnDblClick", R.Type("TNotifyEvent"), &G::OnDblClick)
        .Event("OnDragDrop", R.Type("TDragDropEvent"), &G::OnDragDrop)
        .Event("OnDragOver", R.Type("TDragOverEvent"), &G::OnDragOver)
        .Event("OnEditButtonClick", R.Type("TNotifyEvent"), &G::OnEditButtonClick)
        .Event("OnEndDrag", R.Type("TEndDragEvent"), &G::OnEndDrag)
        .Event("OnEnter", R.Type("TNotifyEvent"), &G::OnEnter)
        .Event("OnExit", R.Type("TNotifyEvent"), &G::OnExit)
        .Event("OnKeyDown", R.Type("TKeyEvent"), &G::OnKeyDown)
        .Event("OnKeyPress", R.Type("TKeyPressEvent"), &G::OnKeyPress)
        .Event("OnKeyUp", R.Type("TKeyEvent"), &G::OnKeyUp)
        .Event("OnStartDrag", R.Type("TStartDragEvent"), &G::OnStartDrag)
        .Event("OnCopyCell", R.Type("TCopyCellEvent"), &G::OnCopyCell)
        .Event("OnPasteCell", R.Type("TPasteCellEvent"), &G::OnPasteCell)
        .Event("OnCopyRecord", R.Type("TCopyRecordEvent"), &G::OnCopyRecord)
        .Event("OnPasteRecord", R.Type("TPasteRecordEvent"), &G::OnPasteRecord)
        .Event("OnAppendRecord", R.Type("TAppendRecordEvent"), &G::OnAppendRecord)
        .Event("OnDeleteRecord", R.Type("TDeleteRecordEvent"), &G::OnDeleteRecord)
        .Event("OnGetRowCount", R.Type("TGetRowCountEvent"), &G::OnGetRowCount)
        .Event("OnSetDefaultValue", R.Type("TSetDefaultValueEvent"), &G::OnSetDefaultValue)
        .Event("OnGetSummary", R.Type("TGetSummaryEvent"), &G::OnGetSummary)
        .Property("SelectedColor", R.Type("TColor"), &G::SelectedColor, &G::SetSelColor)
        .Event("OnMouseEnter", R.Type("TMouseCellEvent"), &G::OnMouseEnter)
        .Event("OnMouseLeave", R.Type("TMouseCellEvent"), &G::OnMouseLeave)
        .Property("RowCount", R.Type("Integer"), &G::RowCount, &G::SetRowCount)
        .Default(5)
        .Property("DataRowHeight", R.Type("Integer"), &G::DataRowHeight, &G::SetDefRowHeight)
        .Property("TitleHeight", R.Type("Integer"), &G::TitleHeight, &G::SetTitleHeight)
        .Property("LayoutIndex", R.Type("Integer"), &G::LayoutIndex, &G::SetLayoutIndex)
        .Event("OnPrintGrid", R.Type("TNotifyEvent"), &G::OnPrintGrid)
        .Event("OnMoveToRow", R.Type("TMoveToRowEvent"), &G::OnMoveToRow)
        .Event("OnTitleClick", R.Type("TTitleClickEvent"), &G::OnTitleClick);
}
