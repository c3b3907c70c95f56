object Form1: TForm
  Left = 0
  Top = 0
  Width = 420
  Height = 260
  Caption = 'Orders'
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  object ZelGrid1: TZelGrid
    Left = 8
    Top = 8
    Width = 396
    Height = 210
    Layout = <
      item
        Columns = <
          item
            aType = tctText
            Tag = 0
            Flags = -1
            Title.Caption = 'Customer'
            Width = 120
          end
          item
            aType = tctCurrency
            Tag = 0
            Flags = -1
            Title.Caption = 'Amount'
            Width = 80
          end
          item
            aType = tctText
            Tag = 0
            Flags = -1
            Title.Caption = 'Status'
            Width = 90
          end>
      end
      item
        Columns = <
          item
            aType = tctText
            Tag = 0
            Flags = -1
            Title.Caption = 'Note'
            Width = 200
          end>
      end>
    BlindedColor = clBlack
    Blinded = False
    Flat = True
    BorderStyle = bsNone
    Ctl3D = False
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clWindowText
    Font.Height = -11
    Font.Name = 'MS Sans Serif'
    Font.Style = []
    ParentCtl3D = False
    TabOrder = 0
    TitleFont.Charset = DEFAULT_CHARSET
    TitleFont.Color = clWindowText
    TitleFont.Height = -11
    TitleFont.Name = 'MS Sans Serif'
    TitleFont.Style = []
    SelectedColor = clActiveCaption
    RowCount = 2
    DataRowHeight = 24
    TitleHeight = 0
    LayoutIndex = 0
  end
end
