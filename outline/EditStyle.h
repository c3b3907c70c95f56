#pragma once
// TEditStyle: what an in-place editor shows beside its text (one byte, the streamed values).
enum TEditStyle : unsigned char {
    esNoButton,          // a plain edit box
    esEllipsisButton,    // a button with three dots that calls the owner back
    esDropDownList,      // a button that drops down a pick list
    esDropDownCheckList  // a button that drops down a list of check boxes
};
