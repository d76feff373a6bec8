
      ------------------------------------------------------------------------
      Varnholt (v. 1.1)                      Date: 5/ 6/2026 at  9: 5: 3Hours
                  Written by the Varnholt LC filter developers
                 RF/Microwave Computer-Aided Engineering Design Data
                             for LUMPED ELEMENT Filters.

                SYNTHESIS of the Electrical Circuit for your LUMPED
                   ELEMENT Filter results in the following data:

                    Design Frequencies:      Filter Parameters:
                   ---------------------    --------------------
                    FC1 =   100.0000 MHz    Design   = Low Pass 
                    F1  =   130.0000 MHz    Sections = 10
                    A1  =  43.35 dB         Response = Chebyshev   
                                            Ripple   = 0.100 dB

       Section  Prototype     Standard   Connection     Dual      Connection
       Number    Element      Circuit    in Circuit    Circuit    in Circuit
       ---------------------------------------------------------------------
          0     1.000000     50.00 Ohms   Source      50.00 Ohms   Source
          1     1.199953     38.1957 pF   Shunt       95.4892 nH   Series
          2     1.448194    115.2436 nH   Series      46.0974 pF   Shunt
          3     2.144456     68.2601 pF   Shunt      170.6504 nH   Series
          4     1.626584    129.4394 nH   Series      51.7758 pF   Shunt
          5     2.225353     70.8352 pF   Shunt      177.0879 nH   Series
          6     1.641863    130.6553 nH   Series      52.2621 pF   Shunt
          7     2.204643     70.1760 pF   Shunt      175.4400 nH   Series
          8     1.582178    125.9057 nH   Series      50.3623 pF   Shunt
          9     1.962856     62.4796 pF   Shunt      156.1991 nH   Series
         10     0.885324     70.4518 nH   Series      28.1807 pF   Shunt
         11     1.355383     36.89 Ohms   Load        67.77 Ohms   Load
      ------------------------------------------------------------------------
      Output Data stored in User Filename: varnholt.ex         
