object StringsEd: TStringsEd
  Left = 0
  Top = 0
  Width = 345
  Height = 171
  ActiveControl = StrMemo
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'Strings'
  ClientHeight = 171
  ClientWidth = 345
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  FormStyle = fsStayOnTop
  KeyPreview = True
  Position = poScreenCenter
  OnKeyDown = FormKeyDown
  object StrMemo: TMemo
    Left = 14
    Top = 30
    Width = 239
    Height = 129
    ScrollBars = ssBoth
    TabOrder = 0
  end
  object Label1: TLabel
    Left = 16
    Top = 12
    Width = 35
    Height = 13
    Caption = '&Strings:'
    FocusControl = StrMemo
  end
  object OkBtn: TButton
    Left = 264
    Top = 30
    Width = 77
    Height = 25
    Caption = '&OK'
    ModalResult = 1
    TabOrder = 1
    OnClick = OkBtnClick
  end
  object Cancelbtn: TButton
    Left = 264
    Top = 62
    Width = 77
    Height = 25
    Caption = 'Cancel'
    ModalResult = 2
    TabOrder = 2
    OnClick = CancelbtnClick
  end
end
