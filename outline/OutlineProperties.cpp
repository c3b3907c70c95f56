#include "outline/OutlineProperties.h"

#include "host/controls/ControlProperties.h"
#include "host/controls/Menus.h"
#include "outline/OutlineTreeView.h"

void RegisterOutlineProperties(TPropertyRegistry& R)
{
    RegisterControlProperties(R);
    if (R.FindClass("TOutlineTreeView")) return;
    const TTypeInfo& option = R.RegisterEnumeration("TOutlineTreeOption",
        { "totShowLines", "totShowButtons", "totNopaintNoChilds", "totDrawGrid", "totResizeCols", "totEditing" });
    R.RegisterSet("TOutlineTreeOptions", option, 8);
    for (const char* name : { "TGetNodeDataEvent", "TIsReadOnlyNodeEvent", "TGetNodeEditStyleEvent",
             "TGetNodePicklistEvent", "TValidateNodeDataEvent", "TNodeEditButtonClickEvent" })
        R.RegisterMethodType(name);
    using T = TOutlineTreeView;
    R.RegisterClass<T>("TOutlineTreeView", "TCustomControl")
        .Creatable()
        .Property("Align", R.Type("TAlign"), &T::Align, &T::SetAlign)
        .Default(alNone)
        .Property("BackgroundColor", R.Type("TColor"), &T::BackgroundColor, &T::SetBackgroundColor)
        .Property("Flat", R.Type("Boolean"), &T::Flat, &T::SetFlat)
        .Default(false)
        .Property("HeadersHeight", R.Type("Integer"), &T::HeadersHeight, &T::SetHeadersHeight)
        .Property("Indent", R.Type("Integer"), &T::Indent, &T::SetIndent)
        .Property("PopupMenu", R.Type("TPopupMenu"), &T::PopupMenu, &T::SetPopupMenu)
        .Property("PropText", R.Type("string"), &T::PropText, &T::SetPropText)
        .Property(
            "SelectedBackgroundColor", R.Type("TColor"), &T::SelectedBackgroundColor, &T::SetSelectedBackgroundColor)
        .Property("ShowHeaders", R.Type("Boolean"), &T::ShowHeaders, &T::SetShowHeaders)
        .Default(true)
        .Property("TabOrder", R.Type("Integer"), &T::TabOrder, &T::SetTabOrder)
        .Default(-1)
        .Property("TreeOptions", R.Type("TOutlineTreeOptions"), &T::TreeOptions, &T::SetTreeOptions)
        .Property("ValuesText", R.Type("string"), &T::ValuesText, &T::SetValuesText)
        .Property("WidthOutline", R.Type("Integer"), &T::WidthOutline, &T::SetWidthOutline)
        .Event("OnGetNodeData", R.Type("TGetNodeDataEvent"), &T::OnGetNodeData)
        .Event("OnIsReadOnlyNode", R.Type("TIsReadOnlyNodeEvent"), &T::OnIsReadOnlyNode)
        .Event("OnGetEditStyle", R.Type("TGetNodeEditStyleEvent"), &T::OnGetEditStyle)
        .Event("OnGetPicklist", R.Type("TGetNodePicklistEvent"), &T::OnGetPicklist)
        .Event("OnValidateNodeData", R.Type("TValidateNodeDataEvent"), &T::OnValidateNodeData)
        .Event("OnEditButtonClick", R.Type("TNodeEditButtonClickEvent"), &T::OnEditButtonClick);
}
