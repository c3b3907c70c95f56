object FontDialogForm: TFontDialogForm
  Left = 0
  Top = 0
  Width = 415
  Height = 240
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'Font'
  ClientHeight = 240
  ClientWidth = 415
  Position = poScreenCenter
  object FamilyLabel: TLabel
    Left = 8
    Top = 8
    Caption = '&Font:'
    FocusControl = FamilyList
  end
  object FamilyList: TListBox
    Left = 8
    Top = 24
    Width = 160
    Height = 124
    TabOrder = 0
  end
  object StyleLabel: TLabel
    Left = 176
    Top = 8
    Caption = 'St&yle:'
    FocusControl = StyleList
  end
  object StyleList: TListBox
    Left = 176
    Top = 24
    Width = 90
    Height = 124
    TabOrder = 1
  end
  object SizeLabel: TLabel
    Left = 274
    Top = 8
    Caption = '&Size:'
    FocusControl = SizeList
  end
  object SizeList: TListBox
    Left = 274
    Top = 24
    Width = 50
    Height = 124
    TabOrder = 2
  end
  object ColorLabel: TLabel
    Left = 8
    Top = 156
    Caption = '&Color:'
    FocusControl = ColorList
  end
  object ColorList: TListBox
    Left = 8
    Top = 172
    Width = 160
    Height = 60
    TabOrder = 3
  end
  object SampleLabel: TLabel
    Left = 176
    Top = 156
    Caption = 'Sample'
  end
  object Sample: TPanel
    Left = 176
    Top = 172
    Width = 148
    Height = 60
    BevelOuter = bvLowered
    Caption = 'AaBbYyZz'
  end
  object OkBtn: TButton
    Left = 332
    Top = 24
    Width = 75
    Height = 25
    Caption = 'OK'
    Default = True
    ModalResult = 1
    TabOrder = 4
  end
  object CancelBtn: TButton
    Left = 332
    Top = 56
    Width = 75
    Height = 25
    Cancel = True
    Caption = 'Cancel'
    ModalResult = 2
    TabOrder = 5
  end
end
