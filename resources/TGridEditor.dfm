object GridEditor: TGridEditor
  Left = 0
  Top = 0
  BorderStyle = bsDialog
  Caption = 'LayoutEditor'
  ClientHeight = 265
  ClientWidth = 487
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  FormStyle = fsStayOnTop
  Position = poScreenCenter
  ActiveControl = GridLay
  object GridLay: TOutlineTreeView
    Left = 0
    Top = 0
    Width = 387
    Height = 265
    Align = alLeft
    TreeOptions = [totShowLines, totShowButtons, totNopaintNoChilds, totDrawGrid, totResizeCols, totEditing]
    Flat = False
    WidthOutline = 200
    ShowHeaders = True
    HeadersHeight = 17
    PropText = 'Columns'
    ValuesText = 'Values'
    BackgroundColor = clSilver
    SelectedBackgroundColor = clSilver
    Indent = 19
    PopupMenu = GridMenu
    TabOrder = 0
    OnGetNodeData = GridLayGetNodeData
    OnValidateNodeData = GridLayValidateNodeData
    OnEditButtonClick = GridLayEditButtonClick
    OnIsReadOnlyNode = GridLayIsReadOnlyNode
    OnGetPicklist = GridLayGetPicklist
    OnGetEditStyle = GridLayGetEditStyle
  end
  object OkBtn: TButton
    Left = 394
    Top = 2
    Width = 93
    Height = 25
    Caption = 'OK'
    Default = True
    ModalResult = 1
    TabOrder = 1
    OnClick = OkBtnClick
  end
  object CancelBtn: TButton
    Left = 394
    Top = 32
    Width = 93
    Height = 25
    Caption = 'Cancel'
    ModalResult = 2
    TabOrder = 2
    OnClick = CancelBtnClick
  end
  object ApplyBtn: TButton
    Left = 394
    Top = 64
    Width = 93
    Height = 25
    Caption = 'Apply...'
    TabOrder = 3
    OnClick = ApplyBtnClick
  end
  object GridMenu: TPopupMenu
    OnPopup = GridMenuPopup
    object N1: TMenuItem
      Caption = 'Layouts...'
      object NewLayout: TMenuItem
        Caption = 'New...'
        ShortCut = 8306
        OnClick = NewLayoutClick
      end
      object DelLayout: TMenuItem
        Caption = 'Delete'
        ShortCut = 8307
        OnClick = DelLayoutClick
      end
    end
    object N2: TMenuItem
      Caption = 'Columns'
      object Newcol: TMenuItem
        Caption = 'New'
        ShortCut = 114
        OnClick = NewcolClick
      end
      object Delcol: TMenuItem
        Caption = 'Delete'
        ShortCut = 115
        OnClick = DelcolClick
      end
      object DelAllCols: TMenuItem
        Caption = 'Delete All'
        ShortCut = 16499
        OnClick = DelAllColsClick
      end
    end
    object N3: TMenuItem
      Caption = '-'
    end
    object GoUp: TMenuItem
      Caption = 'Move Up'
      ShortCut = 24614
      OnClick = GoUpClick
    end
    object Godown: TMenuItem
      Caption = 'Move Down'
      ShortCut = 24616
      OnClick = GodownClick
    end
    object N4: TMenuItem
      Caption = '-'
    end
    object copy: TMenuItem
      Caption = 'Copy'
      ShortCut = 16451
      OnClick = copyClick
    end
    object Paste: TMenuItem
      Caption = 'Paste'
      ShortCut = 16470
      OnClick = PasteClick
    end
  end
end
