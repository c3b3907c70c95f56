object Form1: TForm
  Left = 0
  Top = 0
  Width = 420
  Height = 260
  Caption = 'Orders'
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
            Width = 120
            Title.Caption = 'Customer'
          end
          item
            aType = tctCurrency
            Tag = 0
            Flags = -1
            Width = 80
            Title.Caption = 'Amount'
          end
          item
            aType = tctText
            Tag = 0
            Flags = -1
            Width = 90
            Title.Caption = 'Status'
          end>
      end
      item
        Columns = <
          item
            aType = tctText
            Tag = 0
            Flags = -1
            Width = 200
            Title.Caption = 'Note'
          end>
      end>
  end
end
